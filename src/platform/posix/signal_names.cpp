#include "platform/posix/signal_names.h"

#include <signal.h>

#include <cstring>

namespace carafe::platform {

namespace {

struct SignalName {
  int number;
  const char* name;
};

// The signals that end a process, by the names people look up.
const SignalName SIGNAL_NAMES[] = {
    {SIGHUP, "SIGHUP"},   {SIGINT, "SIGINT"},   {SIGQUIT, "SIGQUIT"}, {SIGILL, "SIGILL"},
    {SIGTRAP, "SIGTRAP"}, {SIGABRT, "SIGABRT"}, {SIGBUS, "SIGBUS"},   {SIGFPE, "SIGFPE"},
    {SIGKILL, "SIGKILL"}, {SIGUSR1, "SIGUSR1"}, {SIGSEGV, "SIGSEGV"}, {SIGUSR2, "SIGUSR2"},
    {SIGPIPE, "SIGPIPE"}, {SIGALRM, "SIGALRM"}, {SIGTERM, "SIGTERM"}, {SIGXCPU, "SIGXCPU"},
    {SIGXFSZ, "SIGXFSZ"}, {SIGSYS, "SIGSYS"},
};

}  // namespace

std::string signalDescription(int signalNumber) {
  std::string text = "signal ";
  const char* name = nullptr;
  for (const SignalName& known : SIGNAL_NAMES) {
    if (known.number == signalNumber) name = known.name;
  }
  if (name == nullptr) return text + std::to_string(signalNumber);
  text += name;
  const char* words = ::strsignal(signalNumber);
  if (words != nullptr && *words != '\0') text += std::string(" (") + words + ")";
  return text;
}

}  // namespace carafe::platform
