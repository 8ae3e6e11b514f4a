// Files the launcher writes for Java to read: each new, in the user's own
// temporary folder.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "platform/win32/long_path.h"
#include "platform/win32/system_message.h"

namespace carafe::platform {

namespace {

// The user's temporary folder in the profile, which only the user can write;
// else the one the system names (TMP, TEMP).
std::string temporaryFolder() {
  std::string local;
  if (environmentValue("LOCALAPPDATA", local) && !local.empty()) {
    const std::string folder = local + "\\Temp";
    const DWORD attributes = GetFileAttributesW(widePath(folder).data());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return folder;
    }
  }
  wchar_t path[MAX_PATH + 2] = L"";
  const DWORD length = GetTempPathW(MAX_PATH + 2, path);
  if (length == 0 || length > MAX_PATH + 1) return std::string();
  std::string folder = narrowText(path);
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

}  // namespace

std::string writePrivateFile(const std::string& text, std::string& errorText) {
  // Java reads the file in the system's code page, not in the launcher's:
  // only text that reads the same in every code page is written.
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      errorText = "it holds characters beyond ASCII, which Java would read in another code page";
      return std::string();
    }
  }
  const std::string folder = temporaryFolder();
  if (folder.empty()) {
    errorText = "there is no temporary folder";
    return std::string();
  }
  DWORD error = ERROR_FILE_EXISTS;
  for (unsigned attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
    char name[64];
    std::snprintf(name, sizeof name, "\\carafe-%lu-%lu-%u.args",
                  static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned long>(GetTickCount()), attempt);
    const std::string path = folder + name;
    // CREATE_NEW: never a file (or a link) that was there before.
    const HANDLE file = CreateFileW(widePath(path).data(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      error = GetLastError();
      continue;
    }
    DWORD written = 0;
    const bool whole =
        text.size() < 0x7FFFFFFF &&
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != 0 &&
        written == text.size();
    error = GetLastError();
    CloseHandle(file);
    if (whole) return path;
    DeleteFileW(widePath(path).data());
    errorText = systemMessage(error, path);
    return std::string();
  }
  errorText = systemMessage(error, folder);
  return std::string();
}

void removePrivateFile(const std::string& path) { DeleteFileW(widePath(path).data()); }

}  // namespace carafe::platform
