// File names, taken apart as text: both "/" and "\" separate directories,
// so that a Windows path given on Linux means what it says.
#pragma once

#include <string>

namespace carafe::brand {

// "dist/Editor.exe" gives "Editor.exe".
std::string fileName(const std::string& path);
// "dist/Editor.exe" gives "Editor"; a name without an extension stays.
std::string fileStem(const std::string& path);
// "dist/Editor.exe" gives "dist", "Editor.exe" gives ".".
std::string directoryOf(const std::string& path);

}  // namespace carafe::brand
