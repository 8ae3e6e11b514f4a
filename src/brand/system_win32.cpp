#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "brand/paths.h"
#include "brand/system.h"
#include "brand/system_win32.h"
#include "platform/win32/library_search.h"

namespace carafe::brand {

namespace {

bool identify(const std::string& path, BY_HANDLE_FILE_INFORMATION& information) {
  Handle file(CreateFileW(wide(path).c_str(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file.valid() && GetFileInformationByHandle(file.get(), &information) != 0;
}

}  // namespace

void restrictLibrarySearch() { platform::restrictLibrarySearch(); }

std::vector<std::string> commandLineArguments(int, char**) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> result;
  for (int i = 0; arguments != nullptr && i < count; ++i) result.push_back(utf8(arguments[i]));
  LocalFree(arguments);
  return result;
}

Bytes readFile(const std::string& path, std::uint64_t maxSize) {
  Handle file(CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      throw BrandError("cannot be read: it is a directory");
    }
    throw BrandError("cannot be read: " + reason(error));
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size))
    throw BrandError("cannot be read: " + reason(GetLastError()));
  if (static_cast<std::uint64_t>(size.QuadPart) > maxSize) {
    throw BrandError("is larger than " + std::to_string(maxSize >> 20) +
                     " MiB; that is not what carafe-brand reads");
  }
  Bytes data(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < data.size()) {
    DWORD count = 0;
    if (!ReadFile(file.get(), data.data() + done, static_cast<DWORD>(data.size() - done), &count,
                  nullptr)) {
      throw BrandError("cannot be read: " + reason(GetLastError()));
    }
    if (count == 0) break;
    done += count;
  }
  data.resize(done);
  return data;
}

bool sameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION first{};
  BY_HANDLE_FILE_INFORMATION second{};
  return identify(a, first) && identify(b, second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

void writeFileSafely(const std::string& path, const Bytes& data) {
  const std::string directory = directoryOf(path);
  std::wstring temporary;
  Handle file(INVALID_HANDLE_VALUE);
  DWORD error = ERROR_FILE_EXISTS;
  for (unsigned attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
    temporary = wide(path + ".tmp-" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(attempt));
    file = Handle(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    error = file.valid() ? ERROR_SUCCESS : GetLastError();
  }
  if (!file.valid()) {
    if (error == ERROR_PATH_NOT_FOUND) {
      throw BrandError("cannot be written: the directory \"" + directory + "\" does not exist");
    }
    throw BrandError("cannot be written: no file can be made in \"" + directory +
                     "\": " + reason(error));
  }
  std::string failure;
  std::size_t written = 0;
  while (failure.empty() && written < data.size()) {
    DWORD count = 0;
    if (!WriteFile(file.get(), data.data() + written, static_cast<DWORD>(data.size() - written),
                   &count, nullptr)) {
      failure = reason(GetLastError());
    }
    written += count;
  }
  if (failure.empty() && !FlushFileBuffers(file.get())) failure = reason(GetLastError());
  if (!file.close() && failure.empty()) failure = reason(GetLastError());
  if (failure.empty() && !MoveFileExW(temporary.c_str(), wide(path).c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD moveError = GetLastError();
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    failure = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                  ? "it is a directory"
                  : reason(moveError);
  }
  if (!failure.empty()) {
    DeleteFileW(temporary.c_str());
    throw BrandError("cannot be written: " + failure);
  }
}

}  // namespace carafe::brand
