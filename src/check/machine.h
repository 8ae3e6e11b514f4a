// What the check asks of the machine beyond the launcher's own platform
// services: each machine (POSIX, Windows, and the tests' fake) has its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/conventions.h"

namespace carafe::check {

enum class PathKind { MISSING, FILE, DIRECTORY, OTHER };

// What a path names.
PathKind pathKind(const std::string& path);

// Why the program that a command text starts could not be started, in the
// system's words ("No such file or directory"); empty when it can be.
std::string startProblem(const std::string& commandLine);

// Has the DLLs that the program loads after start-up come from the system
// directory only (Windows); nothing elsewhere. Called first thing.
void restrictLibrarySearch();

// Up to size bytes of a file from offset; false when it cannot be read.
// fileSize receives the file's length.
bool readFileRange(const std::string& path, std::uint64_t offset, std::size_t size,
                   std::string& bytes, std::uint64_t& fileSize);

// The launcher's argument 0 when it is started by path, as the system would
// give it (on POSIX the shell's PATH lookup and the current directory).
std::string launcherArgumentZero(const std::string& path);

// The launcher's own program file, as the launcher started by that argument 0
// would learn it from the system (see platform::programFiles).
std::vector<std::string> launcherProgramFiles(const std::string& argumentZero);

// Writes the report to standard output.
void writeOutput(const std::string& text);

// Where the launcher's runtime registry takes its runtimes from. On Windows
// its key; on POSIX the directories of its view and JAVA_HOME.
struct RegistryPlaces {
  std::string words;                     // for a person: "the runtime registry (HKLM\...)"
  std::vector<std::string> directories;  // POSIX: the view's directories
  bool pinned = false;                   // POSIX: CARAFE_JVM_PATH is the whole search
};
RegistryPlaces runtimeRegistryPlaces();

// What a program may be started with here beyond the command line's own
// length: the longest single argument and all arguments together, in bytes;
// 0 where there is no such limit (Windows counts the command line instead).
struct ArgumentLimits {
  std::size_t word = 0;
  std::size_t total = 0;
};
ArgumentLimits argumentLimits();

// The conventions of the launcher builds on this machine: the GUI build's
// (or POSIX's), and the console build's (the GUI one where there is none).
const platform::Conventions& nativeConventions();
const platform::Conventions& consoleConventions();

}  // namespace carafe::check
