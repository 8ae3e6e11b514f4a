#include "platform/win32/system_message.h"

#include <cstdio>

namespace carafe::platform {

std::string systemMessage(DWORD error, const std::string& program) {
  char* message = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&message), 0, nullptr);
  std::string text;
  if (length != 0 && message != nullptr) text.assign(message, length);
  if (message != nullptr) LocalFree(message);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  if (!text.empty() && text.back() == '.') text.pop_back();
  for (std::size_t at = text.find("%1"); at != std::string::npos;
       at = text.find("%1", at + program.size())) {
    text.replace(at, 2, program);
  }
  if (text.empty()) {
    char code[48];
    std::snprintf(code, sizeof code, "System error %lu", static_cast<unsigned long>(error));
    text = code;
  }
  return text;
}

}  // namespace carafe::platform
