// Notices as message boxes without an owner window; trace lines on standard
// output, which whoever started the launcher may have captured.
#include <windows.h>

#include <cstdio>

#include "platform/platform.h"

namespace carafe::platform {

int showNotice(const std::string& caption, const std::string& text, NoticeStyle style) {
  // Trace lines written so far come before whatever the user does next.
  std::fflush(stdout);
  return MessageBoxA(nullptr, text.c_str(), caption.c_str(), static_cast<UINT>(style));
}

void writeStandardOutput(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void writeStandardError(const std::string& text) {
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace carafe::platform
