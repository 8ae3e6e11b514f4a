#include "platform/conventions.h"

namespace carafe::platform {

namespace {

const char* const WINDOWS_LIBRARIES[] = {
    "\\bin\\server\\jvm.dll",
    "\\bin\\client\\jvm.dll",
    // A Java 8 JDK: the runtime inside it.
    "\\jre\\bin\\server\\jvm.dll",
    "\\jre\\bin\\client\\jvm.dll",
    nullptr,
};

// Java 8 keeps its libraries in a directory named after the processor.
#if defined(__x86_64__)
#define CARAFE_JAVA_ARCH "amd64"
#elif defined(__aarch64__)
#define CARAFE_JAVA_ARCH "aarch64"
#elif defined(__i386__)
#define CARAFE_JAVA_ARCH "i386"
#elif defined(__arm__)
#define CARAFE_JAVA_ARCH "arm"
#elif defined(__powerpc64__)
#define CARAFE_JAVA_ARCH "ppc64le"
#elif defined(__s390x__)
#define CARAFE_JAVA_ARCH "s390x"
#else
#define CARAFE_JAVA_ARCH "unknown"
#endif

#if defined(__APPLE__)
// On macOS the Java toolkit needs the process's first thread for itself: Java
// is always a process of its own there.
const char* const POSIX_LIBRARIES[] = {nullptr};
#else
const char* const POSIX_LIBRARIES[] = {
    "/lib/server/libjvm.so",
    "/lib/client/libjvm.so",
    "/lib/" CARAFE_JAVA_ARCH "/server/libjvm.so",
    "/lib/" CARAFE_JAVA_ARCH "/client/libjvm.so",
    "/jre/lib/" CARAFE_JAVA_ARCH "/server/libjvm.so",
    "/jre/lib/" CARAFE_JAVA_ARCH "/client/libjvm.so",
    nullptr,
};
#endif

}  // namespace

const Conventions WINDOWS_CONVENTIONS = {
    "windows", '\\',          true,         ';',
    "\\bin",   "\\javaw.exe", "\\java.exe",
    32766,  // CreateProcess takes 32,767 characters, the terminator included
    ';',       true,          false,
    true,  // a GUI program: the notice is all the user sees of Java's exit code
    WINDOWS_LIBRARIES,
};

// clang-format off
const Conventions WINDOWS_CONSOLE_CONVENTIONS = {
    "windows-console", '\\', true, ';', "\\bin", "\\java.exe", "\\java.exe", 32766, ';', true, true,
    false,  // the shell has Java's exit code
    WINDOWS_LIBRARIES,
};
// clang-format on

const Conventions POSIX_CONVENTIONS = {
    "posix", '/', false, ':', "/bin", "/java", "/java", 0, ':', false, true,
    false,  // the shell has Java's exit code
    POSIX_LIBRARIES,
};

bool namesDirectory(const Conventions& conventions, const std::string& argumentZero) {
  if (argumentZero.find(conventions.directorySeparator) == std::string::npos) return false;
  // Only a drive colon in second place makes a Windows path usable: relative
  // paths and paths with forward slashes are looked up in the current directory.
  return !conventions.driveColonMarksDirectory ||
         (argumentZero.size() >= 2 && argumentZero[1] == ':');
}

bool isAbsolutePath(const Conventions& conventions, const std::string& path) {
  if (path.empty()) return false;
  if (!conventions.driveColonMarksDirectory) return path[0] == '/';
  return path[0] == '\\' || path[0] == '/' || (path.size() >= 2 && path[1] == ':');
}

}  // namespace carafe::platform
