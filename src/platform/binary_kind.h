// What kind of program or library a file is, from its first bytes: which
// processor a Windows library is built for, and the word size of an ELF one.
// Portable: the bytes are read elsewhere.
#pragma once

#include <string>

namespace carafe::platform {

// The machine field of a Windows (PE) file: 0x8664 for x64, 0x14C for x86,
// 0xAA64 for ARM64; 0 when header (the file's first bytes, 4 KiB are
// plenty) is not one.
unsigned windowsMachine(const std::string& header);

// A machine field as people name it: "64-bit x64", "32-bit x86".
std::string machineName(unsigned machine);

// Why a launcher built for launcherMachine cannot load the Windows library
// whose first bytes are header; empty when it can.
std::string windowsLibraryProblem(const std::string& header, unsigned launcherMachine);

// 32 or 64 for an ELF file's word size; 0 when header is not one.
int elfBits(const std::string& header);

}  // namespace carafe::platform
