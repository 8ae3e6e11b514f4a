// The launcher's own program file: the module's path, which the system knows
// however the launcher was started (by a bare name from cmd, by a relative path).
#include <windows.h>

#include <vector>

#include "platform/platform.h"

namespace carafe::platform {

std::vector<std::string> programFiles(const std::string&) {
  std::vector<wchar_t> wide(MAX_PATH + 1);
  DWORD length = 0;
  for (;;) {
    length = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
    if (length == 0) return {};
    if (length < wide.size()) break;
    if (wide.size() > 32768) return {};
    wide.resize(wide.size() * 2);
  }
  // In the process's code page, as every other text the launcher handles; a
  // path that it cannot hold (before UTF-8 code pages) is of no use.
  const UINT codePage = GetACP();
  BOOL lost = FALSE;
  BOOL* lostFlag = codePage == CP_UTF8 ? nullptr : &lost;
  const int wideLength = static_cast<int>(length);
  const int size =
      WideCharToMultiByte(codePage, 0, wide.data(), wideLength, nullptr, 0, nullptr, lostFlag);
  if (size <= 0 || lost) return {};
  std::string path(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), wideLength, &path[0], size, nullptr, nullptr);
  return {path};
}

}  // namespace carafe::platform
