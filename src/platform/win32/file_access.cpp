// Opening and reading files, what a path names, and the encoding of texts.
#include "platform/file_access.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/long_path.h"

namespace carafe::platform {

int openReadable(const std::string& path, std::string& identity, std::string& errorText,
                 FileRefusal* refusal, std::uint64_t maxSize) {
  // Binary: the line reader drops a carriage return before a line feed and
  // stops at Ctrl-Z itself, as text mode would.
  const int descriptor = _wopen(widePath(path).data(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (descriptor < 0) {
    errorText = std::strerror(errno);
    return -1;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &information)) {
    errorText = std::strerror(EIO);
    _close(descriptor);
    return -1;
  }
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    errorText = std::strerror(EISDIR);
    _close(descriptor);
    return -1;
  }
  // A console, a pipe or a device ("CON", "\\.\pipe\x") is no file.
  FileRefusal found = FileRefusal::NONE;
  const std::uint64_t size =
      (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    found = FileRefusal::NOT_A_FILE;
  } else if (maxSize != 0 && size > maxSize) {
    found = FileRefusal::TOO_LARGE;
  }
  if (found != FileRefusal::NONE) {
    errorText = std::strerror(found == FileRefusal::TOO_LARGE ? EFBIG : ENODEV);
    if (refusal != nullptr) *refusal = found;
    _close(descriptor);
    return -1;
  }
  // The volume and the file's index name the file whatever path reached it.
  char text[64];
  std::snprintf(text, sizeof text, "%lx:%lx:%lx",
                static_cast<unsigned long>(information.dwVolumeSerialNumber),
                static_cast<unsigned long>(information.nFileIndexHigh),
                static_cast<unsigned long>(information.nFileIndexLow));
  identity = text;
  return descriptor;
}

std::size_t readSome(int descriptor, char* buffer, std::size_t size) {
  const unsigned int room = size > 0x40000000u ? 0x40000000u : static_cast<unsigned int>(size);
  const int count = _read(descriptor, buffer, room);
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

void closeReadable(int descriptor) { _close(descriptor); }

bool isFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(widePath(path).data());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

namespace {

// The volume and the index of the file at path; false when it cannot be opened.
bool fileIndex(const std::string& path, BY_HANDLE_FILE_INFORMATION& information) {
  // No access asked: only the file's attributes are read, even of a running program.
  const HANDLE handle =
      CreateFileW(widePath(path).data(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool read = GetFileInformationByHandle(handle, &information) != 0;
  CloseHandle(handle);
  return read;
}

}  // namespace

bool sameFile(const std::string& first, const std::string& second) {
  BY_HANDLE_FILE_INFORMATION a{};
  BY_HANDLE_FILE_INFORMATION b{};
  return fileIndex(first, a) && fileIndex(second, b) &&
         a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// Windows paths to runtimes hold no links that the search must follow: a
// junction (scoop's "current") reaches the runtime it names, and one runtime
// reached twice is told by its files' identity.
std::string resolvedPath(const std::string& path) {
  return GetFileAttributesW(widePath(path).data()) != INVALID_FILE_ATTRIBUTES ? path
                                                                              : std::string();
}

namespace {

// The system's legacy ANSI code page, which the process's own code page
// replaces when its manifest asks for UTF-8; 0 when it cannot be told.
UINT legacyCodePage() {
  DWORD codePage = 0;
  // The locale's own data, which the process's code page does not change.
  if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                     reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(WCHAR)) == 0) {
    return 0;
  }
  return codePage;
}

}  // namespace

std::string legacyTextToUtf8(const std::string& text) {
  // Where Windows ignores the manifest's UTF-8 (before Windows 10 1903) the
  // process's code page is the legacy one already.
  if (GetACP() != CP_UTF8 || text.empty() || text.size() > 0x3FFFFFFF) return text;
  const UINT codePage = legacyCodePage();
  if (codePage == 0 || codePage == CP_UTF8) return text;
  const int length = static_cast<int>(text.size());
  const int wideLength = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (wideLength <= 0) return text;
  // A vector, not a wide string, keeps the library's wide-string code out of the program.
  std::vector<wchar_t> wide(static_cast<std::size_t>(wideLength));
  MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), wideLength);
  const int utf8Length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (utf8Length <= 0) return text;
  std::string converted(static_cast<std::size_t>(utf8Length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &converted[0], utf8Length, nullptr,
                      nullptr);
  return converted;
}

}  // namespace carafe::platform
