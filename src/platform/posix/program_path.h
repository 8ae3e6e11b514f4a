// The launcher's own path, as argument 0 gives it on POSIX.
#pragma once

#include <string>

namespace carafe::platform {

// The launcher's path as a Windows program gets it: with its directory. A
// relative path is completed from the current directory (the start-up may
// change into the launcher's directory), and a bare name that the shell
// found on PATH gets that directory.
std::string programPath(const std::string& argumentZero);

}  // namespace carafe::platform
