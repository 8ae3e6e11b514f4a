// Writing the launcher's caches, and the work that is left for after the
// launcher ended.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/command_split.h"
#include "platform/platform.h"
#include "platform/program_lookup.h"

extern char** environ;

namespace carafe::platform {

namespace {

// Lowest priority: the assembly uses what the machine does not.
constexpr int BACKGROUND_NICENESS = 19;

}  // namespace

bool makePrivateDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string createUniqueFile(const std::string& directory, const std::string& stem,
                             const std::string& extension) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 16; ++attempt) {
    char unique[48];
    std::snprintf(unique, sizeof unique, "%ld-%u", static_cast<long>(::getpid()), counter++);
    const std::string path = directory + "/" + stem + unique + extension;
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor >= 0) {
      ::close(descriptor);
      return path;
    }
    if (errno != EEXIST) break;
  }
  return std::string();
}

bool replaceFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool backgroundTakesIntoPlace() { return true; }

bool startInBackground(const std::string& commandLine, const std::string& made,
                       const std::string& namePrefix, const std::string& nameSuffix,
                       const std::string& leftover) {
  std::vector<std::string> words = splitCommandLine(commandLine);
  const std::string program = resolveProgram(words.empty() ? std::string() : words[0]);
  if (program.empty()) return false;
  // Everything the watcher needs is ready before it is forked: Java may run
  // threads in this process, whose locks a forked child cannot rely on.
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(&word[0]);
  argv.push_back(nullptr);
  std::string target = namePrefix;
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t watcher = ::fork();
  if (watcher < 0) return false;
  if (watcher > 0) return true;

  // The watcher: a session of its own, so that the terminal's hangup when
  // the launcher's session ends does not reach it, and no output anywhere.
  ::setsid();
  // The launcher's handlers pass signals on to the Java it waited for: here
  // they take their usual effect again.
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) ::signal(signalNumber, SIG_DFL);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::setpriority(PRIO_PROCESS, 0, BACKGROUND_NICENESS);
  const int nothing = ::open("/dev/null", O_RDWR);
  if (nothing >= 0) {
    ::dup2(nothing, 0);
    ::dup2(nothing, 1);
    ::dup2(nothing, 2);
  }
  const pid_t java = ::fork();
  if (java == 0) {
    ::execve(program.c_str(), argv.data(), environ);
    ::_exit(127);
  }
  int status = 0;
  bool done = false;
  if (java > 0) {
    while (::waitpid(java, &status, 0) < 0 && errno == EINTR) {
    }
    done = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  struct stat facts {};
  if (done && !made.empty() && ::stat(made.c_str(), &facts) == 0 && S_ISREG(facts.st_mode) &&
      facts.st_size > 0) {
    target += std::to_string(static_cast<unsigned long long>(facts.st_size)) + nameSuffix;
    done = ::rename(made.c_str(), target.c_str()) == 0;
  } else {
    done = false;
  }
  if (!done && !made.empty()) ::unlink(made.c_str());
  if (!leftover.empty()) ::unlink(leftover.c_str());
  ::_exit(0);
}

}  // namespace carafe::platform
