#include "platform/win32/console_text.h"

#include <climits>
#include <vector>

namespace carafe::platform {

bool isConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

bool writeConsoleText(HANDLE handle, const std::string& text) {
  if (!isConsole(handle)) return false;
  if (text.empty()) return true;
  if (text.size() > INT_MAX / 2) return false;
  const int length = static_cast<int>(text.size());
  const int wideLength = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (wideLength <= 0) return false;
  std::vector<wchar_t> wide(static_cast<std::size_t>(wideLength));
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), wideLength);
  // A console takes at most about 64 KiB in one call.
  constexpr std::size_t CHUNK = 8192;
  for (std::size_t done = 0; done < wide.size();) {
    DWORD count = static_cast<DWORD>(wide.size() - done < CHUNK ? wide.size() - done : CHUNK);
    // A character beyond U+FFFF is two units; they go in one call.
    const wchar_t last = wide[done + count - 1];
    if (count > 1 && last >= 0xD800 && last <= 0xDBFF) --count;
    DWORD written = 0;
    if (!WriteConsoleW(handle, wide.data() + done, count, &written, nullptr) || written == 0) {
      return true;  // the console is gone; nothing else would show it
    }
    done += written;
  }
  return true;
}

}  // namespace carafe::platform
