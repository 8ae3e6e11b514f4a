// carafe-pack's command line: "--name value" or "--name=value", long names
// only, each option's value checked as it is read, so that every error names
// the option it is about.
#pragma once

#include <string>
#include <vector>

namespace carafe::pack {

// What each --type makes in the destination directory.
constexpr const char* TYPE_APP_IMAGE = "app-image";  // the folder <Name>
constexpr const char* TYPE_ZIP = "zip";              // <Name>-<version>.zip of that folder
constexpr const char* TYPE_MSI = "msi";              // <Name>-<version>.msi, built with wixl

constexpr const char* DEFAULT_APP_VERSION = "1.0";

// --working-directory: the caller's directory, or the install folder (the
// launcher's own, as without the line).
constexpr const char* WORKING_CALLER = "caller";
constexpr const char* WORKING_INSTALL = "install";
constexpr const char* SWITCH_ON = "on";
constexpr const char* SWITCH_OFF = "off";

struct PackOptions {
  std::string name;
  std::string appVersion = DEFAULT_APP_VERSION;
  std::string vendor;
  std::string description;
  std::string copyright;
  std::string icon;
  std::string input;
  std::string mainClass;
  std::string javaVersion;
  std::string bundledRuntime;  // the application's own runtime, copied into the folder "runtime"
  std::vector<std::string> vmParams;
  std::vector<std::string> arguments;
  bool console = false;
  std::string jvm;  // where Java runs: "launcher" or "separate"; empty: as without the line
  std::string workingDirectory;  // "caller" or "install"; empty: caller for --console
  std::string downloadUrl;
  std::string userOptions = "on";             // an optionalInclude of the user's own file
  std::string exitNotice;                     // "abnormal"; empty: no line
  std::string startupCache = "on";            // "on" writes the line, "off" leaves it out
  std::vector<std::string> configLines;       // "keyword value", checked by the launcher's reader
  std::vector<std::string> fileAssociations;  // properties files
  std::string aboutUrl;
  bool launchAfterInstall = false;
  bool startMenuShortcut = false;  // with --console: a Start-menu shortcut all the same
  std::vector<std::string> types;  // as given, each once; app-image when none is
  std::string dest = ".";
  std::string launchers;  // where carafe.exe is; empty: beside carafe-pack
  bool perMachine = false;
  bool desktopShortcut = false;
  std::string upgradeCode;
  std::string appUserModelId;
  std::string sign;  // a PKCS#12 file
  std::string timestampUrl;
  bool help = false;
  bool showVersion = false;

  bool wants(const char* type) const;
  // Whether Java starts in the directory the launcher was started from.
  bool callerDirectory() const;
};

// arguments without the program's own name. Throws UsageError.
PackOptions parseOptions(const std::vector<std::string>& arguments);

// The text --help prints.
std::string usage();

}  // namespace carafe::pack
