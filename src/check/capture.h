// The check's own side of the platform: it records every notice, trace line
// and line on standard error, answers every question No, serves the
// configuration files line by line to the observer, and starts nothing: a
// start is recorded with whether the program could be started, and an end of
// the process unwinds to the check.
#pragma once

#include "platform/conventions.h"

namespace carafe::check {

// The name the check gives the argument file the launcher would write for a
// command past the system's limit; nothing is written.
constexpr const char* ARGUMENT_FILE = "(argument file)";

// Thrown where the launcher would end the process.
struct LauncherExit {
  int code;
};

// The conventions that the launcher's logic runs by.
void useConventions(const platform::Conventions& conventions);

// The processor of the Windows launcher checked (0x8664, 0x14C), whose
// virtual machine library must be built for the same; 0 for a POSIX one,
// which is built as the check itself is.
void useLauncherMachine(unsigned machine);

}  // namespace carafe::check
