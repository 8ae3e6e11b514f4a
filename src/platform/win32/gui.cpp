// What carafe.exe, the GUI program, has of its own: notices as message boxes
// without an owner window, and javaw.exe for the registry's runtimes.
#include <windows.h>

#include <cstdio>

#include "platform/platform.h"

namespace carafe::platform {

const Conventions& conventions() { return WINDOWS_CONVENTIONS; }

int showNotice(const std::string& caption, const std::string& text, NoticeStyle style) {
  // Trace lines written so far come before whatever the user does next.
  std::fflush(stdout);
  return MessageBoxA(nullptr, text.c_str(), caption.c_str(), static_cast<UINT>(style));
}

}  // namespace carafe::platform
