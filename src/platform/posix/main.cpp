// The entry of the POSIX build.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/run.h"
#include "platform/platform.h"

namespace {

bool isExecutableFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

// The launcher's path as a Windows program gets it: with its directory. A
// relative path is completed from the current directory (the start-up may
// change into the launcher's directory), and a bare name that the shell
// found on PATH gets that directory.
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
  if (!carafe::platform::currentDirectory(current)) return argumentZero;
  return current + "/" + argumentZero;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = programPath(argc > 0 && argv[0] != nullptr ? argv[0] : "");
  std::vector<const char*> words{program.c_str()};
  for (int i = 1; i < argc; ++i) words.push_back(argv[i] != nullptr ? argv[i] : "");
  words.push_back(nullptr);
  return carafe::launcherMain(static_cast<int>(words.size() - 1), words.data());
}
