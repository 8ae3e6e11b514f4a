#include "platform/conventions.h"

namespace carafe::platform {

const Conventions WINDOWS_CONVENTIONS = {
    "windows", '\\', true,  ';', "\\bin", "\\javaw.exe", "\\java.exe",
    32766,  // CreateProcess takes 32,767 characters, the terminator included
    ';',       true, false,
    true,  // a GUI program: the notice is all the user sees of Java's exit code
};

// clang-format off
const Conventions WINDOWS_CONSOLE_CONVENTIONS = {
    "windows-console", '\\', true, ';', "\\bin", "\\java.exe", "\\java.exe", 32766, ';', true, true,
    false,  // the shell has Java's exit code
};
// clang-format on

const Conventions POSIX_CONVENTIONS = {
    "posix", '/', false, ':', "/bin", "/java", "/java", 0, ':', false, true,
    false,  // the shell has Java's exit code
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
