// The runtime that a required version names: exactly one version
// (1.5.0_06), the highest patch level of a version (1.5.0), a minimum
// patch level (1.5.0_06+), or a minimum version (17+, the highest runtime of
// at least 17).
#pragma once

#include <optional>
#include <string>

namespace carafe {

// Room offered for an enumerated version key's name.
constexpr unsigned VERSION_NAME_ROOM = 255;

// The Java command of the runtime that javaVersion names, or nothing (after
// a notice or the download offer). May rewrite javaVersion, and may end the
// process with exit code 11.
std::optional<std::string> findRequiredJava();

// Chooses among the installed version keys the one with the required prefix
// and the highest patch level, and stores its name in javaVersion.
void resolveInstalledVersion();

}  // namespace carafe
