// The current directory and the environment.
#include <windows.h>

#include <cstdlib>
#include <vector>

#include "platform/environment_match.h"
#include "platform/platform.h"

namespace carafe::platform {

bool currentDirectory(std::string& directory) {
  std::vector<char> buffer(2048);
  for (;;) {
    const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return false;
    // A directory that does not fit is not copied; the length then counts
    // the terminator too, so the next buffer is large enough.
    if (length < buffer.size()) {
      directory.assign(buffer.data(), length);
      return true;
    }
    if (length > (1u << 20)) return false;
    buffer.resize(length + 1);
  }
}

bool changeDirectory(const std::string& directory) {
  return SetCurrentDirectoryA(directory.c_str()) != 0;
}

bool environmentValue(const std::string& name, std::string& value) {
  if (_environ == nullptr) return false;
  for (char** entry = _environ; *entry != nullptr; ++entry) {
    // Entries such as "=C:=C:\Work" hold the current directory of each drive,
    // not variables.
    if ((*entry)[0] == '=') continue;
    if (environmentEntryMatches(*entry, name, value)) return true;
  }
  return false;
}

void setEnvironmentValue(const std::string& name, const std::string& value) {
  // The process's environment, which CreateProcess hands to Java, and the
  // runtime library's copy, which environmentValue reads.
  SetEnvironmentVariableA(name.c_str(), value.c_str());
  _putenv((name + "=" + value).c_str());
}

}  // namespace carafe::platform
