#include "launch/launch.h"

#include <cstdint>
#include <string>

#include "config/reader.h"
#include "core/exit_codes.h"
#include "core/notice.h"
#include "core/settings.h"
#include "launch/argument_file.h"
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

// The crash report that the virtual machine writes in its current directory
// (which is Java's, the launcher's by now): hs_err_pid<N>.log, N the number of
// the process it ran in. Empty where Java wrote none there.
std::string crashReport(std::uint32_t processId) {
  std::string directory;
  if (processId == 0 || !platform::currentDirectory(directory)) return std::string();
  const char separator = platform::conventions().directorySeparator;
  if (!directory.empty() && directory.back() != separator && directory.back() != '/') {
    directory += separator;
  }
  const std::string path = directory + "hs_err_pid" + std::to_string(processId) + ".log";
  return platform::isFile(path) ? path : std::string();
}

// Tells of a non-zero exit code: a crash, a signal or an exception wherever
// it happens, with what is known of it; a normal exit code in the GUI
// programs (unless "exitNotice abnormal" keeps them quiet) and in debug mode.
// A command-line application's normal exit code passes on without a word:
// the shell has it.
void reportEnd(const platform::ProcessOutcome& outcome, const std::string& javaPath) {
  const LaunchSettings& settings = launchSettings;
  const std::string report = crashReport(outcome.processId);
  const bool abnormal = outcome.abnormalEnd || !report.empty();
  const bool onlyAbnormal = settings.exitNotice && *settings.exitNotice == EXIT_NOTICE_ABNORMAL;
  const bool everyCode =
      settings.debugMode || (platform::conventions().noticeForEveryExitCode && !onlyAbnormal);
  if (!abnormal && !everyCode) return;
  std::string text =
      formatText("Error launching Class %s\n with Java %s.\nError=%d", settings.mainClass->c_str(),
                 javaPath.c_str(), static_cast<int>(outcome.exitCode));
  if (!outcome.endDescription.empty()) {
    text += "\nJava ended abnormally: " + outcome.endDescription + ".";
  }
  if (!report.empty()) text += "\nJava wrote a crash report: " + report;
  showError("Error", text);
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
  bool tooLong = !inside && limit != 0 && commandLine.size() > limit;

  // Java inherits the current directory: with "workingDirectory caller" the
  // one the launcher was started in (the command names the launcher's files
  // by absolute paths then).
  if (settings.workingDirectory && !settings.callerDirectory.empty()) {
    platform::changeDirectory(settings.callerDirectory);
  }
  if (!inside && !tooLong) {
    outcome = platform::runProcess(commandLine);
    tooLong = !outcome.created && outcome.commandTooLong;
  }
  if (tooLong) {
    // Java 9 and later read the options and the classpath from a file; an
    // older one keeps the notice, or the system's own message.
    std::string why;
    const bool started = startWithArgumentFile(commandLine, outcome, why);
    if (!started) traceDebug("No argument file: " + why + "\n");
    if (!started && limit != 0) {
      showError("Error", formatText("The Java command line has %d characters; at most %d can be "
                                    "started.\nShorten the lists in %s.",
                                    static_cast<int>(commandLine.size()), static_cast<int>(limit),
                                    settings.configPath.c_str()));
      return EXIT_NOT_LAUNCHED;
    }
  }
  if (!outcome.created) {
    showError("Error",
              formatText("Can't start Java %s\n%s", javaPath.c_str(), outcome.errorText.c_str()));
    traceDebug(
        formatText("CreateProcess ret %d, error=%d\n", 0, static_cast<int>(outcome.lastError)));
    return EXIT_NOT_LAUNCHED;
  }
  finishStartupCache(cache, outcome);
  const int exitCode = static_cast<int>(outcome.exitCode);
  if (exitCode != 0) reportEnd(outcome, javaPath);
  traceDebug(formatText("CreateProcess ret %d, exitCode=%d\n", 1, exitCode));
  return exitCode;
}

}  // namespace carafe
