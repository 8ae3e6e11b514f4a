// Text on a console: the launcher's UTF-8 texts written and read as UTF-16.
#pragma once

#include <windows.h>

#include <string>

namespace carafe::platform {

// True when handle is a console (not a file, a pipe or nothing).
bool isConsole(HANDLE handle);

// Writes UTF-8 text to a console; false when handle is no console, so that
// the caller writes the bytes instead.
bool writeConsoleText(HANDLE handle, const std::string& text);

}  // namespace carafe::platform
