// The few conventions in which the targets differ. The launcher's logic is
// the same everywhere; it asks platform::conventions() for these.
#pragma once

#include <cstddef>
#include <string>

namespace carafe::platform {

struct Conventions {
  const char* name;                   // "windows" or "posix"
  char directorySeparator;            // separates directories in argument 0
  bool driveColonMarksDirectory;      // argument 0 names a directory only with "X:" in front
  char classpathSeparator;            // follows every classpath entry
  const char* javaBinDirectory;       // appended to a runtime home
  const char* javaExecutable;         // appended after javaBinDirectory
  const char* javaConsoleExecutable;  // the same, in debug mode
  std::size_t maxCommandLineLength;   // longest command text a process accepts; 0: no limit
  char pathListSeparator;             // separates the directories of PATH
  bool windowsRuntimePlaces;          // runtimes are where Windows installers put them
  // Trace lines go to standard error, which is the user's terminal where the
  // program is started from one, rather than to standard output, which a
  // program without a console shows nobody unless it is captured.
  bool traceOnStandardError;
  // A Java that ends normally with a non-zero code is reported in a notice:
  // in a GUI program the notice is all the user sees of it, while a
  // command-line application's shell has the code itself ("grep" ends with 1
  // for "no match"). An abnormal end is reported everywhere.
  bool noticeForEveryExitCode;
  // Where a runtime keeps its virtual machine library, each appended to its
  // home, in the order they are tried: the server machine before the client
  // one, the Java 9 layout before Java 8's. Ends with nullptr; nullptr alone
  // where Java is never started inside the launcher.
  const char* const* virtualMachineLibraries;
};

// Windows: drive paths with backslashes, ";" classpaths, javaw.exe.
extern const Conventions WINDOWS_CONVENTIONS;
// The Windows console build: the same, with java.exe in every mode, since a
// command-line application needs the console runtime, and trace lines on
// standard error, since its standard output is the application's result.
extern const Conventions WINDOWS_CONSOLE_CONVENTIONS;
// Linux and macOS: "/" paths, ":" classpaths, bin/java.
extern const Conventions POSIX_CONVENTIONS;

// True when argument 0 names the directory the launcher lives in.
bool namesDirectory(const Conventions& conventions, const std::string& argumentZero);

// True when path does not depend on the current directory: "/..." on POSIX;
// on Windows a drive path, or one that begins with a slash or backslash
// (a network path, or the current drive's root).
bool isAbsolutePath(const Conventions& conventions, const std::string& path);

}  // namespace carafe::platform
