// Starting Java and the browser, and ending the launcher.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/command_split.h"
#include "platform/platform.h"
#include "platform/posix/java_host.h"
#include "platform/posix/signal_names.h"
#include "platform/program_lookup.h"

extern char** environ;

namespace carafe::platform {

namespace {

// The signals that a user or a service manager sends to stop the application:
// they are passed on to Java, which decides how to end.
const int FORWARDED_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

volatile sig_atomic_t childProcess = 0;

// True when a process sent the signal (kill, sigqueue), not the kernel.
bool sentByProcess(const siginfo_t* info) {
  if (info == nullptr) return true;
  if (info->si_code == SI_USER || info->si_code == SI_QUEUE) return true;
#ifdef SI_TKILL
  if (info->si_code == SI_TKILL) return true;
#endif
  return false;
}

extern "C" void forwardSignal(int signalNumber, siginfo_t* info, void*) {
  // The terminal sends Ctrl+C to its whole foreground process group, in which
  // Java runs beside the launcher: Java has it already, and a second one
  // could cut its shutdown hooks short.
  if (signalNumber == SIGINT && !sentByProcess(info)) return;
  const pid_t child = static_cast<pid_t>(childProcess);
  if (child > 0) ::kill(child, signalNumber);
}

std::vector<char*> argumentPointers(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  pointers.reserve(words.size() + 1);
  for (std::string& word : words) pointers.push_back(&word[0]);
  pointers.push_back(nullptr);
  return pointers;
}

// Spawns the program words[0] names, by its full path (a bare name is looked
// for in PATH's absolute directories only), with the signals that the launcher
// handles set back to their defaults in the child. A detached child gets a
// process group of its own, so that the hangup sent to the terminal's
// foreground group when the launcher ends (as the session leader, started
// directly by a terminal) does not end it too.
int spawn(std::vector<std::string> words, pid_t& child, bool detached = false) {
  const std::string program = resolveProgram(words.empty() ? std::string() : words[0]);
  if (program.empty()) return ENOENT;
  std::vector<char*> argv = argumentPointers(words);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int signalNumber : FORWARDED_SIGNALS) sigaddset(&defaults, signalNumber);
  sigset_t empty;
  sigemptyset(&empty);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &empty);
  short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
  if (detached) {
    posix_spawnattr_setpgroup(&attributes, 0);
    flags |= POSIX_SPAWN_SETPGROUP;
  }
  posix_spawnattr_setflags(&attributes, flags);
  const int result =
      ::posix_spawn(&child, program.c_str(), nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  return result;
}

#if defined(__linux__)
// The child's outcome before it runs Java: errno of a failed exec, written by
// the child (which shares the launcher's memory until it execs).
volatile int watchedFailure = 0;

// Starts program as spawn does, with one more step in the child: Java is
// killed when the launcher dies (SIGKILL, a crash), as the job object does on
// Windows. The signal reaches the direct child only, and only when the
// launcher dies first: a launcher that ends normally has seen Java end, and
// what Java detached from itself does not inherit it. vfork, for the cost of
// posix_spawn; the child touches nothing but its own state until it execs.
int spawnWatched(const char* program, char* const* argv, pid_t& child) {
  const pid_t launcher = ::getpid();
  sigset_t all;
  sigfillset(&all);
  sigset_t previous;
  ::sigprocmask(SIG_BLOCK, &all, &previous);
  watchedFailure = 0;
  const pid_t started = ::vfork();
  if (started == 0) {
    for (int signalNumber : FORWARDED_SIGNALS) ::signal(signalNumber, SIG_DFL);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The launcher died before the request took hold: nobody waits for Java.
    if (::getppid() != launcher) ::_exit(127);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(program, argv, environ);
    watchedFailure = errno;
    ::_exit(127);
  }
  const int error = started < 0 ? errno : watchedFailure;
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);
  if (started < 0) return error;
  if (error != 0) {
    int status = 0;
    while (::waitpid(started, &status, 0) < 0 && errno == EINTR) {
    }
    return error;
  }
  child = started;
  return 0;
}
#endif

// Spawns the Java command: on Linux ended with the launcher.
int spawnJava(std::vector<std::string> words, pid_t& child) {
#if defined(__linux__)
  const std::string program = resolveProgram(words.empty() ? std::string() : words[0]);
  if (program.empty()) return ENOENT;
  std::vector<char*> argv = argumentPointers(words);
  return spawnWatched(program.c_str(), argv.data(), child);
#else
  return spawn(std::move(words), child);
#endif
}

}  // namespace

const Conventions& conventions() { return POSIX_CONVENTIONS; }

ProcessOutcome runProcess(const std::string& commandLine) {
  ProcessOutcome outcome;
  dropHeldNotices();
  std::fflush(stdout);
  std::vector<std::string> words = splitCommandLine(commandLine);
  if (words.empty() || words[0].empty()) {
    outcome.lastError = ENOENT;
    outcome.errorText = std::strerror(ENOENT);
    return outcome;
  }

  // Signals wait until the child is known, so that none is lost in between.
  sigset_t forwarded;
  sigset_t previous;
  sigemptyset(&forwarded);
  for (int signalNumber : FORWARDED_SIGNALS) sigaddset(&forwarded, signalNumber);
  ::sigprocmask(SIG_BLOCK, &forwarded, &previous);
  struct sigaction action {};
  action.sa_sigaction = forwardSignal;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  for (int signalNumber : FORWARDED_SIGNALS) ::sigaction(signalNumber, &action, nullptr);

  pid_t child = 0;
  const int error = spawnJava(std::move(words), child);
  if (error != 0) {
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    outcome.lastError = static_cast<unsigned long>(error);
    outcome.errorText = std::strerror(error);
    outcome.commandTooLong = error == E2BIG;
    return outcome;
  }
  childProcess = child;
  outcome.processId = static_cast<std::uint32_t>(child);
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);

  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      status = 0;
      break;
    }
  }
  childProcess = 0;
  outcome.created = true;
  if (WIFEXITED(status)) {
    outcome.exitCode = static_cast<std::uint32_t>(WEXITSTATUS(status));
  } else if (WIFSIGNALED(status)) {
    outcome.exitCode = static_cast<std::uint32_t>(128 + WTERMSIG(status));  // as shells report it
    outcome.abnormalEnd = true;
    outcome.endDescription = signalDescription(WTERMSIG(status));
  }
  return outcome;
}

void openUrl(const std::string& url) {
#if defined(__APPLE__)
  std::vector<std::string> words = {"open", url};
#else
  std::vector<std::string> words = {"xdg-open", url};
#endif
  std::fflush(stdout);
  pid_t child = 0;
  spawn(std::move(words), child, true);  // not waited for, and a failure goes unreported
}

void exitProcess(int code) { std::exit(code); }

}  // namespace carafe::platform
