#include "launch/launch.h"

#include "core/exit_codes.h"
#include "core/notice.h"
#include "core/settings.h"
#include "launch/compose.h"
#include "platform/platform.h"
#include "runtime/default_lookup.h"

namespace carafe {

int launchJava() {
  LaunchSettings& settings = launchSettings;
  if (!settings.mainClass) {
    showError("Error", formatText("%s has no \"mainclass\" line.\nAdd one that names the Java "
                                  "class to start, such as: mainclass com.example.Main",
                                  settings.configPath.c_str()));
    return EXIT_NOT_LAUNCHED;
  }
  if (!settings.javaPath) settings.javaPath = findDefaultJava();
  if (!settings.javaPath) return EXIT_NOT_LAUNCHED;
  const std::string& javaPath = *settings.javaPath;

  showDebug("Javapath is", javaPath);
  const std::string commandLine = composeCommandLine();
  showDebug("Command Line is", commandLine);

  const std::size_t limit = platform::conventions().maxCommandLineLength;
  if (limit != 0 && commandLine.size() > limit) {
    showError("Error", formatText("The Java command line has %d characters; at most %d can be "
                                  "started.\nShorten the lists in %s.",
                                  static_cast<int>(commandLine.size()), static_cast<int>(limit),
                                  settings.configPath.c_str()));
    return EXIT_NOT_LAUNCHED;
  }

  // Java inherits the current directory: with "workingDirectory caller" the
  // one the launcher was started in (the command names the launcher's files
  // by absolute paths then).
  if (settings.workingDirectory && !settings.callerDirectory.empty()) {
    platform::changeDirectory(settings.callerDirectory);
  }
  const platform::ProcessOutcome outcome = platform::runProcess(commandLine);
  if (!outcome.created) {
    showError("Error",
              formatText("Can't start Java %s\n%s", javaPath.c_str(), outcome.errorText.c_str()));
    traceDebug(
        formatText("CreateProcess ret %d, error=%d\n", 0, static_cast<int>(outcome.lastError)));
    return EXIT_NOT_LAUNCHED;
  }
  const int exitCode = static_cast<int>(outcome.exitCode);
  // A command-line application's normal exit code passes on without a word
  // (the shell has it); a crash or a signal is told wherever it happens.
  if (exitCode != 0 && (outcome.abnormalEnd || settings.debugMode ||
                        platform::conventions().noticeForEveryExitCode)) {
    showError("Error", formatText("Error launching Class %s\n with Java %s.\nError=%d",
                                  settings.mainClass->c_str(), javaPath.c_str(), exitCode));
  }
  traceDebug(formatText("CreateProcess ret %d, exitCode=%d\n", 1, exitCode));
  return exitCode;
}

}  // namespace carafe
