// The current directory and the environment.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/environment_match.h"
#include "platform/platform.h"

extern char** environ;

namespace carafe::platform {

bool currentDirectory(std::string& directory) {
  std::vector<char> buffer(4096);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
      directory.assign(buffer.data());
      return true;
    }
    if (errno != ERANGE || buffer.size() > (1u << 20)) return false;
    buffer.resize(buffer.size() * 2);
  }
}

bool changeDirectory(const std::string& directory) { return ::chdir(directory.c_str()) == 0; }

bool environmentValue(const std::string& name, std::string& value) {
  if (environ == nullptr) return false;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (environmentEntryMatches(*entry, name, value)) return true;
  }
  return false;
}

void setEnvironmentValue(const std::string& name, const std::string& value) {
  ::setenv(name.c_str(), value.c_str(), 1);
}

}  // namespace carafe::platform
