// What carafe-pack asks of the system beyond reading a file (brand/system.h):
// listing a directory tree, making and removing directories, writing files
// with a fixed time, moving the outputs into place, and finding and running
// the tools it uses. What the standard library does the same everywhere is
// in system.cpp; the rest has one implementation per platform
// (system_posix.cpp, system_win32.cpp): listing a tree and removing one,
// where links and junctions must not be followed (MinGW's std::filesystem
// does not tell them from directories), the files' times (C++17 has no
// portable clock for them, and MinGW's sets no directory's), new files and
// temporary directories, and finding and running the tools. Everything else
// works on texts and bytes in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brand/bytes.h"

namespace carafe::pack {

using brand::Bytes;

// Has the DLLs that the program loads after start-up come from the system
// directory only (Windows); nothing elsewhere. Called first thing.
void restrictLibrarySearch();

// Every file below directory, as "/"-separated paths relative to it, in no
// particular order. Links to files count as files. Throws PackError naming
// what cannot be listed, a link to a directory (which could lead back up the
// tree) and anything that is neither a file nor a directory.
std::vector<std::string> listFiles(const std::string& directory);

bool isDirectory(const std::string& path);

// The path with its links and "." and ".." resolved; empty when it names
// nothing.
std::string realPath(const std::string& path);

// The directory of carafe-pack's own program file; argumentZero where the
// system does not tell.
std::string programDirectory(const std::string& argumentZero);

// Makes path and every missing directory above it. Returns those it made,
// the outermost first. Throws PackError.
std::vector<std::string> makeDirectories(const std::string& path);

// Makes one directory. Throws PackError.
void makeDirectory(const std::string& path);

// A new, empty directory in parent, named from prefix. Throws PackError.
std::string makeTemporaryDirectory(const std::string& parent, const std::string& prefix);

// Writes a new file whose time (last written) is time, in seconds since 1970;
// secret: readable by this user only. Throws PackError.
void writeNewFile(const std::string& path, const Bytes& data, std::int64_t time,
                  bool secret = false);

// Sets the time of a directory or file. Throws PackError.
void setTime(const std::string& path, std::int64_t time);

// Renames from to to, replacing a file (not a directory) there. Throws
// PackError.
void movePath(const std::string& from, const std::string& to);

// Removes path and everything below it, as far as it can; never throws.
void removeTree(const std::string& path);

// Removes an empty directory; false when it is not empty or cannot be.
bool removeEmptyDirectory(const std::string& path);

// The full path of a program on PATH (directories of PATH that are not
// absolute are skipped: the current directory decides nothing); empty when
// there is none.
std::string findProgram(const std::string& name);

struct ProgramRun {
  int exitCode = -1;
  std::string output;  // standard output and error together
};

// Runs program (a full path) with arguments in directory and waits for it;
// its output goes to outputFile, which is read back. Throws PackError when
// it cannot be started.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& directory, const std::string& outputFile);

}  // namespace carafe::pack
