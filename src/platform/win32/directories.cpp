// Listing jar directories.
#include <windows.h>

#include "platform/platform.h"

namespace carafe::platform {

struct Search {
  HANDLE handle;
};

namespace {

void takeMatch(const WIN32_FIND_DATAA& data, SearchMatch& match) {
  match.name = data.cFileName;
  match.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

Search* searchStart(const std::string& directory, const std::string& extension,
                    SearchMatch& first) {
  // "lib/*.jar": the system's pattern match ignores letter case.
  const std::string pattern = directory + "/*" + extension;
  WIN32_FIND_DATAA data{};
  const HANDLE handle = FindFirstFileA(pattern.c_str(), &data);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  takeMatch(data, first);
  return new Search{handle};
}

bool searchNext(Search* search, SearchMatch& match) {
  WIN32_FIND_DATAA data{};
  if (!FindNextFileA(search->handle, &data)) return false;
  takeMatch(data, match);
  return true;
}

void searchClose(Search* search) {
  FindClose(search->handle);
  delete search;
}

}  // namespace carafe::platform
