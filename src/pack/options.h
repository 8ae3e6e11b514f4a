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
};

// arguments without the program's own name. Throws UsageError.
PackOptions parseOptions(const std::vector<std::string>& arguments);

// The text --help prints.
std::string usage();

}  // namespace carafe::pack
