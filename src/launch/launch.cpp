#include "launch/launch.h"

#include "core/exit_codes.h"
#include "core/notice.h"
#include "core/settings.h"
#include "launch/compose.h"
#include "launch/inside.h"
#include "launch/startup_cache.h"
#include "platform/platform.h"
#include "runtime/default_lookup.h"

namespace carafe {

namespace {

// Runs Java inside the launcher, as "jvm launcher" asks; false when a
// separate process has to start instead, which a debug trace line explains.
// Java's current directory is the launcher's by then.
bool ranInside(const std::string& commandLine, platform::ProcessOutcome& outcome) {
  const LaunchSettings& settings = launchSettings;
  if (settings.workingDirectory && !settings.callerDirectory.empty()) {
    platform::changeDirectory(settings.callerDirectory);
  }
  const InsidePlan plan = planJavaInside(commandLine);
  if (!plan.possible) {
    traceDebug(formatText("Java starts as a separate process: %s\n", plan.reason.c_str()));
    return false;
  }
  const char* library = plan.java.library.c_str();
  traceDebug(formatText("Java starts inside the launcher: %s\n", library));
  outcome = platform::runJavaInside(plan.java);
  if (outcome.created) return true;
  traceDebug(formatText("Java starts as a separate process: %s cannot be loaded: %s\n", library,
                        outcome.errorText.c_str()));
  return false;
}

}  // namespace

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
  const StartupCache cache = prepareStartupCache();
  const std::string commandLine = composeCommandLine();
  showDebug("Command Line is", commandLine);

  // Inside the launcher the command is no process's: it has no length limit.
  platform::ProcessOutcome outcome;
  const bool inside = wantsJavaInside() && ranInside(commandLine, outcome);

  const std::size_t limit = platform::conventions().maxCommandLineLength;
  if (!inside && limit != 0 && commandLine.size() > limit) {
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
  if (!inside) outcome = platform::runProcess(commandLine);
  if (!outcome.created) {
    showError("Error",
              formatText("Can't start Java %s\n%s", javaPath.c_str(), outcome.errorText.c_str()));
    traceDebug(
        formatText("CreateProcess ret %d, error=%d\n", 0, static_cast<int>(outcome.lastError)));
    return EXIT_NOT_LAUNCHED;
  }
  finishStartupCache(cache, outcome);
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
