// Reading configuration files and listing jar directories.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace carafe::platform {

struct File {
  int descriptor;
};

struct Search {
  HANDLE handle;
};

File* openFile(const std::string& path, std::string& identity, std::string& errorText) {
  // Binary: the line reader drops a carriage return before a line feed and
  // stops at Ctrl-Z itself, as text mode would.
  const int descriptor = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (descriptor < 0) {
    errorText = std::strerror(errno);
    return nullptr;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &information)) {
    errorText = std::strerror(EIO);
    _close(descriptor);
    return nullptr;
  }
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    errorText = std::strerror(EISDIR);
    _close(descriptor);
    return nullptr;
  }
  // The volume and the file's index name the file whatever path reached it.
  char text[64];
  std::snprintf(text, sizeof text, "%lx:%lx:%lx",
                static_cast<unsigned long>(information.dwVolumeSerialNumber),
                static_cast<unsigned long>(information.nFileIndexHigh),
                static_cast<unsigned long>(information.nFileIndexLow));
  identity = text;
  return new File{descriptor};
}

std::size_t readFile(File* file, char* buffer, std::size_t size) {
  const unsigned int room = size > 0x40000000u ? 0x40000000u : static_cast<unsigned int>(size);
  const int count = _read(file->descriptor, buffer, room);
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

void closeFile(File* file) {
  _close(file->descriptor);
  delete file;
}

bool isFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

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
