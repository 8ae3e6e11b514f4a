#include "platform/posix/program_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/platform.h"

namespace carafe::platform {

namespace {

bool isExecutableFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string programPath(const std::string& argumentZero) {
  if (argumentZero.empty()) return argumentZero;
  if (argumentZero.find('/') == std::string::npos) {
    const char* path = std::getenv("PATH");
    std::string directories = path != nullptr ? path : "";
    std::size_t start = 0;
    while (start <= directories.size()) {
      std::size_t end = directories.find(':', start);
      if (end == std::string::npos) end = directories.size();
      const std::string directory = directories.substr(start, end - start);
      const std::string candidate = (directory.empty() ? "." : directory) + "/" + argumentZero;
      if (isExecutableFile(candidate)) return programPath(candidate);
      start = end + 1;
    }
    return argumentZero;
  }
  if (argumentZero[0] == '/') return argumentZero;
  std::string current;
  if (!currentDirectory(current)) return argumentZero;
  return current + "/" + argumentZero;
}

}  // namespace carafe::platform
