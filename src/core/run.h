// The launcher's run from start to end, and its exit code.
#pragma once

#include <string>

namespace carafe {

// Start-up, configuration, debug display, launch. Returns the exit code:
// Java's own, or EXIT_NOT_LAUNCHED when the configuration was not read or
// nothing could be started.
int launcherMain(int argumentCount, const char* const* argumentVector);

// Reads the configuration file that belongs to programPath in directory;
// 0 when it was read.
int locateAppConfig(const std::string& programPath, const std::string& directory);

}  // namespace carafe
