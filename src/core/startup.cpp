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
      appendToList(settings.arguments, argument, "the command line");
    }
  }
  settings.commandLineArguments = static_cast<int>(settings.arguments.entries.size());
  settings.launcherName = withoutExe(baseName(argumentZero));

  if (settings.debugMode) {
    showPlain("Version", CARAFE_VERSION_TEXT);
    showPlain("LpCmdLine", argumentZeroDisplay(argumentZero.c_str()));
  }

  const platform::Conventions& conventions = platform::conventions();
  if (platform::namesDirectory(conventions, argumentZero)) {
    settings.workingDir = argumentZero.substr(0, argumentZero.rfind(conventions.directorySeparator));
    // A failed change goes unreported: the configuration is then simply not found.
    platform::changeDirectory(settings.workingDir);
  } else if (!platform::currentDirectory(settings.workingDir)) {
    settings.workingDir.clear();
  }
  showDebug("CWD", settings.workingDir);
}

std::string appConfigPath(const std::string& programPath, const std::string& directory) {
  return directory + platform::conventions().directorySeparator + withoutExe(baseName(programPath)) +
         ".config";
}

}  // namespace carafe
