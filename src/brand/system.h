// What carafe-brand asks of the system: its arguments, reading a file and
// writing one safely. One implementation per platform (system_posix.cpp,
// system_win32.cpp); everything else works on bytes in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brand/bytes.h"

namespace carafe::brand {

// Has the DLLs that the program loads after start-up come from the system
// directory only (Windows); nothing elsewhere. Called first thing.
void restrictLibrarySearch();

// The program's arguments as UTF-8, on Windows too.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// The whole file. Throws BrandError ("cannot be read: ...") when it cannot be
// read or is larger than maxSize.
Bytes readFile(const std::string& path, std::uint64_t maxSize);

// Whether both paths name one existing file (also through links).
bool sameFile(const std::string& a, const std::string& b);

// Writes data to a new temporary file beside path and renames it to path, so
// that path is either left as it was or replaced whole. Nothing is left
// behind on failure. Throws BrandError ("cannot be written: ...").
void writeFileSafely(const std::string& path, const Bytes& data);

}  // namespace carafe::brand
