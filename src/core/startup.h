// The start-up: the command line, the debug-mode start notices, the working
// directory and the name of the configuration file.
#pragma once

#include <string>

namespace carafe {

// The environment variable that holds the launcher's directory (workingDir),
// for the configuration's values and for the application.
constexpr const char* APP_DIRECTORY_VARIABLE = "CARAFE_APP_DIR";

// Takes "-d" and the application arguments from the command line, shows the
// start notices in debug mode and settles workingDir (changing into it when
// argument 0 names the launcher's directory). Where the configuration is not
// there, and the launcher's program file is in another directory, that
// directory is taken instead, as if the launcher had been started by the
// program file's path. Sets APP_DIRECTORY_VARIABLE to workingDir.
void startUp(int argumentCount, const char* const* argumentVector);

// The configuration path: directory, separator, the base name of programPath
// without a final ".exe", and ".config".
std::string appConfigPath(const std::string& programPath, const std::string& directory);

// The display form of argument 0, "[argument 0]".
std::string argumentZeroDisplay(const char* argumentZero);

}  // namespace carafe
