// The one process-wide record of everything the launcher collects, filled by
// the start-up and the configuration, read by the launch.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace carafe {

// A list of texts in insertion order. It holds as many entries as are given:
// what bounds them is the length of the Java command they compose (an
// application with hundreds of jars is common).
struct TextList {
  std::vector<std::string> entries;
};

struct LaunchSettings {
  TextList vmParams;             // options for the Java virtual machine
  TextList vmPaths;              // classpath entries ("addpath", "addjar")
  TextList vmJars;               // jar files found in "addjars" directories
  TextList arguments;            // arguments for the Java application
  int commandLineArguments = 0;  // how many of them came from the command line, first
  std::optional<std::string> mainClass;
  std::optional<std::string> appName;
  std::optional<std::string> javaVersion;
  std::optional<std::string> javaPath;
  std::optional<std::string> downloadUrl;  // the page the download offer opens on Yes
  // The home of the application's own runtime, once a "bundledRuntime" line
  // found it whole.
  std::optional<std::string> bundledRuntime;
  bool debugMode = false;
  std::string workingDir;    // where the configuration file is looked for
  std::string launcherName;  // the launcher's base name, without ".exe"
  std::string configPath;    // the application's configuration file
  int configFilesRead = 0;   // configuration files opened so far, includes among them
  bool configFilesLimitReported = false;

  // The launcher's path as the start-up took it: argument 0, or the program
  // file beside which the configuration was found instead.
  std::string programPath;
  bool foundBesideProgramFile = false;
  // The current directory the launcher was started in.
  std::string callerDirectory;
  // "workingDirectory" ("caller"): Java starts in callerDirectory.
  std::optional<std::string> workingDirectory;
  // "jvm": "launcher" starts Java inside the launcher's own process,
  // "separate" (and no line) as a process of its own.
  std::optional<std::string> jvm;
  // "exitNotice": "abnormal" shows Java's exit notice only for an abnormal end.
  std::optional<std::string> exitNotice;
  // "startupCache": "on" keeps Java's class data in the user's cache folder.
  std::optional<std::string> startupCache;
};

extern LaunchSettings launchSettings;

// Empties the record, as at process start.
void resetLaunchSettings();

// Appends a copy of text to list.
void appendToList(TextList& list, const std::string& text);

}  // namespace carafe
