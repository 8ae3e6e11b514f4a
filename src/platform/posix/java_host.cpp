// Java inside a statically linked launcher: the launcher replaces itself
// with the host program beside it, by its full path, with the argument
// vector, environment and current directory it was started with.
#include "platform/posix/java_host.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/java_inside.h"

namespace carafe::platform {

namespace {

// The running program's own file, as the system names it.
std::string ownProgramFile() {
  std::vector<char> buffer(4096);
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return std::string();
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

}  // namespace

ProcessOutcome runJavaInside(const JavaInside&) {
  ProcessOutcome outcome;
  const std::string launcher = ownProgramFile();
  const std::size_t cut = launcher.rfind('/');
  char** startArguments = nullptr;
  char** startEnvironment = nullptr;
  int startDirectory = -1;
  if (cut == std::string::npos || !startForHost(startArguments, startEnvironment, startDirectory)) {
    outcome.errorText = "the launcher's own program file is not known";
    return outcome;
  }
  const std::string host = launcher.substr(0, cut + 1) + JAVA_HOST_NAME;
  struct stat status {};
  if (::stat(host.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
      ::access(host.c_str(), X_OK) != 0) {
    outcome.errorText = "the launcher's host program " + host + " is not installed";
    return outcome;
  }
  std::vector<char*> words{startArguments[0], const_cast<char*>(launcher.c_str())};
  for (char** word = startArguments + 1; *word != nullptr; ++word) words.push_back(*word);
  words.push_back(nullptr);
  const int here = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  std::fflush(stdout);
  std::fflush(stderr);
  if (::fchdir(startDirectory) == 0) {
    ::execve(host.c_str(), words.data(), startEnvironment);
  }
  outcome.errorText = host + ": " + std::strerror(errno);
  if (here >= 0) {
    if (::fchdir(here) != 0) outcome.errorText += " (and the directory cannot be restored)";
    ::close(here);
  }
  return outcome;
}

void endAsJavaAborted(int) {}

}  // namespace carafe::platform
