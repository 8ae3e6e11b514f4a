// Starts Java with the composed command, waits for it and reports a
// non-zero exit code: every one in the GUI programs and in debug mode, an
// abnormal end (a crash, a signal) only where the shell has the code.
#pragma once

namespace carafe {

// Returns Java's exit code, or EXIT_NOT_LAUNCHED when nothing was started
// (no main class, no runtime, a command too long, or a failed start).
int launchJava();

}  // namespace carafe
