// Listing jar directories.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/long_path.h"
#include "platform/win32/system_message.h"

namespace carafe::platform {

struct Search {
  HANDLE handle;
};

namespace {

void takeMatch(const WIN32_FIND_DATAW& data, SearchMatch& match) {
  match.name = narrowText(data.cFileName);
  match.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

Search* searchStart(const std::string& directory, const std::string& extension, SearchMatch& first,
                    std::string* why) {
  // "lib/*.jar": the system's pattern match ignores letter case.
  const std::string pattern = directory + "/*" + extension;
  WIN32_FIND_DATAW data{};
  const HANDLE handle = FindFirstFileW(widePath(pattern).data(), &data);
  if (handle == INVALID_HANDLE_VALUE) {
    // No match in a directory that exists is no fault of the directory's.
    const DWORD error = GetLastError();
    if (why != nullptr && error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES) {
      *why = systemMessage(error, directory);
    }
    return nullptr;
  }
  takeMatch(data, first);
  return new Search{handle};
}

bool searchNext(Search* search, SearchMatch& match) {
  WIN32_FIND_DATAW data{};
  if (!FindNextFileW(search->handle, &data)) return false;
  takeMatch(data, match);
  return true;
}

void searchClose(Search* search) {
  FindClose(search->handle);
  delete search;
}

}  // namespace carafe::platform
