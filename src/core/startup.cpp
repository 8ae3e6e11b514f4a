#include "core/startup.h"

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

// Started by a bare name, a relative path or a link, argument 0 does not lead
// to the launcher's directory. Where its configuration is not found by
// argument 0, it is looked for beside the launcher's own program file; the
// first directory that holds it is taken, as a start by that path would.
// Where argument 0 finds it, or no program file's directory holds it, the
// start-up stays as argument 0 made it.
void lookBesideProgramFile(const std::string& argumentZero) {
  LaunchSettings& settings = launchSettings;
  if (platform::isFile(appConfigPath(argumentZero, settings.workingDir))) return;
  const char separator = platform::conventions().directorySeparator;
  for (const std::string& program : platform::programFiles(argumentZero)) {
    // The system names the file by its full path; a network path counts too.
    if (program.find(separator) == std::string::npos) continue;
    const std::string directory = directoryOf(program);
    if (directory == settings.workingDir) continue;  // looked there already
    if (!platform::isFile(appConfigPath(program, directory))) continue;
    settings.programPath = program;
    settings.foundBesideProgramFile = true;
    settings.launcherName = withoutExe(baseName(program));
    settings.workingDir = directory;
    platform::changeDirectory(directory);
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
