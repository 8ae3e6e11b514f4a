// Reads a configuration file and applies each line as it is read.
#pragma once

#include <string>

namespace carafe {

// How deep "include" lines may nest: at most this many files are read at once.
constexpr int MAX_INCLUDE_DEPTH = 32;
// How many configuration files one run reads at most, the application's own
// included: files that include others more than once could otherwise make
// the reading grow exponentially with the depth.
constexpr int MAX_CONFIG_FILES = 256;

// Reads the configuration file at path (relative to the current directory)
// and applies its lines to the launch settings. A UTF-8 byte order mark is
// skipped, and a line that is not UTF-8 is taken in the legacy code page.
// Returns 0 when the file was read and 1 when it could not be opened or read
// (a UTF-16 file, or an include that would read itself again). A
// "javaVersion" line that finds no runtime ends the process with exit code 5.
int readConfigFile(const std::string& path);

// Applies one line (its line feed, if any, included) to the launch settings.
void applyConfigLine(const std::string& line);

}  // namespace carafe
