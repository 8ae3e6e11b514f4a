// The launcher's own exit codes. Otherwise it ends with Java's exit code.
#pragma once

namespace carafe {

constexpr int EXIT_NOT_LAUNCHED = 2;        // no configuration read, or nothing to start
constexpr int EXIT_VERSION_NOT_FOUND = 5;   // a "javaVersion" line found no runtime
constexpr int EXIT_RUNTIME_OFFERED = 11;    // the runtime download was offered

}  // namespace carafe
