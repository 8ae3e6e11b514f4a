// The start-up: the command line, the debug-mode start notices, the working
// directory and the name of the configuration file.
#pragma once

#include <string>

namespace carafe {

// Takes "-d" and the application arguments from the command line, shows the
// start notices in debug mode and settles workingDir (changing into it when
// argument 0 names the launcher's directory).
void startUp(int argumentCount, const char* const* argumentVector);

// The configuration path: directory, separator, the base name of programPath
// without a final ".exe", and ".config".
std::string appConfigPath(const std::string& programPath, const std::string& directory);

// The display form of argument 0, "[argument 0]".
std::string argumentZeroDisplay(const char* argumentZero);

}  // namespace carafe
