#include "core/startup.h"

#include <vector>

#include "core/notice.h"
#include "core/settings.h"
#include "core/version.h"

namespace carafe {

namespace {

const std::string DEBUG_SWITCH = "-d";
const std::string EXE_SUFFIX = ".exe";

// The part of programPath after its last directory separator.
std::string baseName(const std::string& programPath) {
  const std::size_t cut = programPath.rfind(platform::conventions().directorySeparator);
  return cut == std::string::npos ? programPath : programPath.substr(cut + 1);
}

std::string withoutExe(const std::string& name) {
  if (name.size() >= EXE_SUFFIX.size() &&
      name.compare(name.size() - EXE_SUFFIX.size(), EXE_SUFFIX.size(), EXE_SUFFIX) == 0) {
    return name.substr(0, name.size() - EXE_SUFFIX.size());
  }
  return name;
}

std::string directoryOf(const std::string& programPath) {
  return programPath.substr(0, programPath.rfind(platform::conventions().directorySeparator));
}

// workingDir for a launcher that goes by programPath: the directory it names,
// changed into, or else the current directory.
void settleWorkingDir(const std::string& programPath) {
  LaunchSettings& settings = launchSettings;
  if (platform::namesDirectory(platform::conventions(), programPath)) {
    settings.workingDir = directoryOf(programPath);
    // A failed change goes unreported: the configuration is then simply not found.
    platform::changeDirectory(settings.workingDir);
  } else if (!platform::currentDirectory(settings.workingDir)) {
    settings.workingDir.clear();
  }
}

// Takes program, a file the system names as the launcher's own, as the
// launcher's path: its directory becomes the working directory.
void takeProgramFile(const std::string& program) {
  LaunchSettings& settings = launchSettings;
  settings.programPath = program;
  settings.foundBesideProgramFile = true;
  settings.launcherName = withoutExe(baseName(program));
  settings.workingDir = directoryOf(program);
  platform::changeDirectory(settings.workingDir);
}

// True when argument 0 leads to the launcher's own program file (by its
// path, a link, another spelling), or the system names none to compare with.
bool leadsToProgramFile(const std::string& argumentZero, const std::vector<std::string>& programs) {
  if (programs.empty()) return true;
  for (const std::string& program : programs) {
    if (platform::sameFile(argumentZero, program)) return true;
  }
  return false;
}

// Started by a bare name or a relative path, argument 0 does not name the
// launcher's directory, and the current directory, where the classic rule
// looks, is the user's: a folder just unpacked or cloned may hold a
// configuration of the launcher's name. The configuration beside the
// launcher's own program file comes first then, and the current directory's
// only where no program file's directory holds one. Started by a path that
// names its directory (a drive path; on POSIX a link), the directory argument
// 0 names is the launcher's as the classic rule has it, where that path leads
// to the launcher's own file; where it holds no configuration, the program
// files' directories are looked in. Argument 0 is text the caller chooses: a
// path that leads elsewhere decides nothing, and the file the system runs
// does.
void lookBesideProgramFile(const std::string& argumentZero) {
  LaunchSettings& settings = launchSettings;
  const bool namesDirectory = platform::namesDirectory(platform::conventions(), argumentZero);
  const std::vector<std::string> programs = platform::programFiles(argumentZero);
  const char separator = platform::conventions().directorySeparator;
  if (namesDirectory && !leadsToProgramFile(argumentZero, programs)) {
    // The system's own name for the running file comes last.
    if (programs.back().find(separator) != std::string::npos) takeProgramFile(programs.back());
    return;
  }
  const bool foundByArgumentZero =
      platform::isFile(appConfigPath(argumentZero, settings.workingDir));
  if (foundByArgumentZero && namesDirectory) return;
  for (const std::string& program : programs) {
    // The system names the file by its full path; a network path counts too.
    if (program.find(separator) == std::string::npos) continue;
    const std::string directory = directoryOf(program);
    // Started from its own directory, argument 0 found the configuration there.
    if (directory == settings.workingDir) {
      if (foundByArgumentZero) return;
      continue;
    }
    if (!platform::isFile(appConfigPath(program, directory))) continue;
    takeProgramFile(program);
    return;
  }
}

}  // namespace

std::string argumentZeroDisplay(const char* argumentZero) {
  return "[" + std::string(argumentZero) + "]";
}

void startUp(int argumentCount, const char* const* argumentVector) {
  LaunchSettings& settings = launchSettings;
  const std::string argumentZero = argumentVector[0] != nullptr ? argumentVector[0] : "";

  // Every "-d" counts, wherever it stands; all other words go to Java, in order.
  for (int i = 1; i < argumentCount; ++i) {
    const char* argument = argumentVector[i] != nullptr ? argumentVector[i] : "";
    if (DEBUG_SWITCH == argument) {
      settings.debugMode = true;
    } else {
      appendToList(settings.arguments, argument);
    }
  }
  settings.commandLineArguments = static_cast<int>(settings.arguments.entries.size());
  settings.launcherName = withoutExe(baseName(argumentZero));
  settings.programPath = argumentZero;

  if (settings.debugMode) {
    showPlain("Version", CARAFE_VERSION_TEXT);
    showPlain("LpCmdLine", argumentZeroDisplay(argumentZero.c_str()));
  }

  // Where the user was: Java starts there with "workingDirectory caller".
  if (!platform::currentDirectory(settings.callerDirectory)) settings.callerDirectory.clear();
  settleWorkingDir(argumentZero);
  lookBesideProgramFile(argumentZero);
  showDebug("CWD", settings.workingDir);
  if (!settings.workingDir.empty()) {
    platform::setEnvironmentValue(APP_DIRECTORY_VARIABLE, settings.workingDir);
  }
}

std::string appConfigPath(const std::string& programPath, const std::string& directory) {
  return directory + platform::conventions().directorySeparator +
         withoutExe(baseName(programPath)) + ".config";
}

}  // namespace carafe
