// The system's messages for its error codes, as the launcher quotes them.
#pragma once

#include <windows.h>

#include <string>

namespace carafe::platform {

// The system's message for an error code, without the line break and the
// full stop that end it, so that it reads like the other platforms' texts.
// A "%1" in it ("%1 is not a valid Win32 application") names the program.
std::string systemMessage(DWORD error, const std::string& program);

}  // namespace carafe::platform
