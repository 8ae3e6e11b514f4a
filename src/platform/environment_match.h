// Matches one environment entry ("NAME=value") against a variable name,
// letter case ignored. Shared by every platform so they agree on it.
#pragma once

#include <string>

namespace carafe::platform {

// True when entry is name, then "=", then the value; value receives the rest
// of the entry after that "=". An empty name matches nothing.
bool environmentEntryMatches(const char* entry, const std::string& name, std::string& value);

}  // namespace carafe::platform
