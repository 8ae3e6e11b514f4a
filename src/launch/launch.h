// Starts Java with the composed command, waits for it and reports a
// non-zero exit code.
#pragma once

namespace carafe {

// Returns Java's exit code, or EXIT_NOT_LAUNCHED when nothing was started
// (no main class, no runtime, a command too long, or a failed start).
int launchJava();

}  // namespace carafe
