// The machine's default Java runtime, as the runtime registry names it, and
// the rule that turns a runtime's home directory into its Java command.
#pragma once

#include <optional>
#include <string>

namespace carafe {

// The registry key (below the machine root) under which runtimes register.
extern const char* const JRE_BASE_KEY;

// Room offered for the "CurrentVersion" text and for a "JavaHome" text.
constexpr unsigned CURRENT_VERSION_ROOM = 255;
constexpr unsigned JAVA_HOME_ROOM = 2048;

// The Java command of the runtime that "CurrentVersion" names, or nothing
// after an error notice.
std::optional<std::string> findDefaultJava();

// home + bin directory + Java executable (the console one in debug mode),
// enclosed in double quotes when home holds a space.
std::string buildJavaPath(const std::string& home);

// JRE_BASE_KEY, a backslash and a version key's name.
std::string versionKeyPath(const std::string& version);

}  // namespace carafe
