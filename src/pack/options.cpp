#include "pack/options.h"

#include <algorithm>

#include "brand/bytes.h"
#include "brand/utf.h"
#include "brand/version_info.h"
#include "config/reader.h"
#include "pack/error.h"
#include "pack/names.h"
#include "pack/uuid.h"

namespace carafe::pack {

namespace {

// Each check returns what is wrong with a value, or nothing.
using Check = std::string (*)(const std::string& value);

struct OptionRule {
  const char* name;                             // without its "--"
  const char* valueName;                        // in --help; nullptr for a flag
  std::string PackOptions::*text;               // the last one given counts
  std::vector<std::string> PackOptions::*list;  // repeatable, kept in order
  bool PackOptions::*flag;
  Check check;
  const char* help;  // lines after the first are indented in --help
};

std::string quoted(const std::string& value) { return "\"" + value + "\""; }

std::string utf8Problem(const std::string& value) {
  try {
    brand::utf8ToUtf16(value);
    return std::string();
  } catch (const brand::BrandError& error) {
    return error.what();
  }
}

std::string textProblem(const std::string& value) {
  const std::string problem = utf8Problem(value);
  if (!problem.empty()) return problem;
  const std::string control = controlCharacter(value);
  if (!control.empty()) return quoted(value) + " holds the control character " + control;
  return std::string();
}

std::string pathProblem(const std::string& value) {
  return value.empty() ? "is empty: give a path" : utf8Problem(value);
}

std::string checkName(const std::string& value) {
  const std::string problem = fileNameProblem(value);
  if (!problem.empty()) {
    return quoted(value) + " " + problem +
           "; the name is the application's exe, configuration and folder";
  }
  if (value.find('$') != std::string::npos) {
    return quoted(value) +
           " holds \"$\", which the launcher's configuration takes for an environment variable "
           "and wixl for a variable of its own; give a name without \"$\"";
  }
  return std::string();
}

std::string checkVersion(const std::string& value) {
  try {
    brand::parseVersionNumber(value);
    return std::string();
  } catch (const brand::BrandError& error) {
    return error.what();
  }
}

bool isIdentifierStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}

bool isIdentifierPart(unsigned char c) { return isIdentifierStart(c) || (c >= '0' && c <= '9'); }

std::string checkMainClass(const std::string& value) {
  const std::string problem = utf8Problem(value);
  if (!problem.empty()) return problem;
  if (value.find('$') != std::string::npos) {
    return quoted(value) +
           " holds \"$\", which the launcher's mainclass line takes for an environment "
           "variable; give a class whose name has no \"$\"";
  }
  bool start = true;
  bool valid = !value.empty() && value.back() != '.';
  for (char c : value) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '.' && !start) {
      start = true;
    } else if (start ? isIdentifierStart(byte) : isIdentifierPart(byte)) {
      start = false;
    } else {
      valid = false;
    }
  }
  if (valid) return std::string();
  return quoted(value) +
         " is not a class name: give the full name of the class with the main method, such as "
         "com.example.editor.Main";
}

// Numbers and dots, an update after "_", a "+" at the end: the forms the
// launcher's javaVersion line knows.
std::string checkJavaVersion(const std::string& value) {
  std::size_t i = 0;
  const auto number = [&]() {
    const std::size_t start = i;
    while (i < value.size() && value[i] >= '0' && value[i] <= '9') ++i;
    return i > start;
  };
  bool valid = number();
  while (valid && i < value.size() && value[i] == '.') {
    ++i;
    valid = number();
  }
  if (valid && i < value.size() && value[i] == '_') {
    ++i;
    valid = number();
  }
  if (valid && i < value.size() && value[i] == '+') ++i;
  if (valid && i == value.size()) return std::string();
  return quoted(value) +
         " is not a Java version: give 17+ (17 or later), 17 (the highest 17), 1.8.0_60+ "
         "(1.8.0 from update 60 on) or 1.8.0_60 (exactly that one)";
}

std::string checkType(const std::string& value) {
  for (const char* type : {TYPE_APP_IMAGE, TYPE_ZIP, TYPE_MSI}) {
    if (value == type) return std::string();
  }
  return quoted(value) + " is not a type: give app-image, zip or msi";
}

std::string checkJvm(const std::string& value) {
  if (value == JVM_LAUNCHER || value == JVM_SEPARATE) return std::string();
  return quoted(value) + " is not where Java runs: give launcher or separate";
}

std::string checkWorkingDirectory(const std::string& value) {
  if (value == WORKING_CALLER || value == WORKING_INSTALL) return std::string();
  return quoted(value) +
         " is not a working directory: give caller (where the application is started from) or "
         "install (its install folder)";
}

std::string checkSwitch(const std::string& value) {
  if (value == SWITCH_ON || value == SWITCH_OFF) return std::string();
  return quoted(value) + " is neither on nor off";
}

std::string checkExitNotice(const std::string& value) {
  if (value == EXIT_NOTICE_ABNORMAL) return std::string();
  return quoted(value) + " is not an exit notice: give abnormal";
}

// An http or https address with a host, without what a configuration line
// or a shell would take apart.
std::string webAddressProblem(const std::string& value) {
  const std::size_t scheme = value.compare(0, 7, "http://") == 0    ? 7
                             : value.compare(0, 8, "https://") == 0 ? 8
                                                                    : 0;
  const bool host = scheme != 0 && value.size() > scheme && value[scheme] != '/';
  if (host && value.find_first_of(" \t\r\n\"$") == std::string::npos) return std::string();
  return quoted(value) +
         " is not an http or https address with a host (and without spaces, "
         "quotes or \"$\")";
}

// A line the launcher reads as one of its keywords, with its value.
std::string checkConfigLine(const std::string& value) {
  const std::string problem = textProblem(value);
  if (!problem.empty()) return problem;
  const ConfigLine line = parseConfigLine(value);
  if (line.kind == LineKind::KEYWORD) return std::string();
  return quoted(value) +
         " is not a line the launcher knows: give a keyword, one space and its value, such as "
         "\"vmparam -Xss2m\" (the keywords are in the README, written exactly in their letter "
         "case)";
}

std::string checkUpgradeCode(const std::string& value) {
  if (parseUuid(value)) return std::string();
  return quoted(value) +
         " is not a GUID: give one such as {6F1C2A2E-4C8E-5B8E-9A51-0A5B8F0E2C11}, or leave the "
         "option out to derive it from --vendor and --name";
}

// Windows takes up to 128 characters, without spaces; the taskbar compares
// them regardless of letter case.
std::string checkAppUserModelId(const std::string& value) {
  bool valid = !value.empty() && value.size() <= 128;
  for (char c : value) {
    const unsigned char byte = static_cast<unsigned char>(c);
    valid = valid && byte > 0x20 && byte < 0x7F && c != '"';
  }
  if (valid) return std::string();
  return quoted(value) +
         " is not an AppUserModelID: give up to 128 printable ASCII characters without spaces, "
         "such as ExampleLtd.Editor";
}

std::string checkTimestampUrl(const std::string& value) {
  const bool web = value.compare(0, 7, "http://") == 0 || value.compare(0, 8, "https://") == 0;
  if (web && value.find_first_of(" \t\r\n\"") == std::string::npos) return std::string();
  return quoted(value) + " is not an http or https address";
}

// clang-format off
const OptionRule OPTIONS[] = {
    {"name", "NAME", &PackOptions::name, nullptr, nullptr, checkName,
     "the application's name: NAME.exe, NAME.config, the folder NAME (required)"},
    {"app-version", "X.Y.Z", &PackOptions::appVersion, nullptr, nullptr, checkVersion,
     "the application's version, 1 to 4 numbers (default 1.0); an installer's first two numbers are at most 255"},
    {"vendor", "TEXT", &PackOptions::vendor, nullptr, nullptr, textProblem,
     "who makes the application: the exe's company, the installer's publisher (required for msi)"},
    {"description", "TEXT", &PackOptions::description, nullptr, nullptr, textProblem,
     "what the application does: the installer's shortcuts show it as their tooltip and Apps & features as its comment (the other types take it and leave it unused)"},
    {"copyright", "TEXT", &PackOptions::copyright, nullptr, nullptr, textProblem,
     "the exe's copyright notice"},
    {"icon", "FILE.ico", &PackOptions::icon, nullptr, nullptr, pathProblem,
     "the exe's icon, which the shortcuts and Apps & features show"},
    {"input", "DIR", &PackOptions::input, nullptr, nullptr, pathProblem,
     "the application's jars: every file below DIR goes into lib\\, and the jars of DIR itself onto the classpath, by name (required)"},
    {"main-class", "CLASS", &PackOptions::mainClass, nullptr, nullptr, checkMainClass,
     "the class whose main method starts the application (required)"},
    {"java-version", "VERSION", &PackOptions::javaVersion, nullptr, nullptr, checkJavaVersion,
     "the Java it needs: 17+, 17, 1.8.0_60+ or 1.8.0_60 (default: the machine's default Java)"},
    {"bundled-runtime", "DIR", &PackOptions::bundledRuntime, nullptr, nullptr, pathProblem,
     "the application's own Windows Java runtime (a jlink image): copied into runtime\\ and started before any installed Java, which is searched only where it is missing or broken"},
    {"vmparam", "OPTION", nullptr, &PackOptions::vmParams, nullptr, utf8Problem,
     "an option for the Java virtual machine (repeatable)"},
    {"argument", "ARGUMENT", nullptr, &PackOptions::arguments, nullptr, utf8Problem,
     "an argument for the application, after its own (repeatable)"},
    {"console", nullptr, nullptr, nullptr, &PackOptions::console, nullptr,
     "a command-line application: carafe-console.exe instead of carafe.exe, started in the caller's directory; the installer puts it on PATH instead of into the Start menu"},
    {"jvm", "WHERE", &PackOptions::jvm, nullptr, nullptr, checkJvm,
     "launcher: Java runs inside the application's exe, which the taskbar, Task Manager and the firewall then show; separate: Java is a process of its own (the default)"},
    {"working-directory", "WHERE", &PackOptions::workingDirectory, nullptr, nullptr, checkWorkingDirectory,
     "caller: Java starts in the directory the application is started from (the default with --console); install: in its install folder (the default otherwise)"},
    {"download-url", "URL", &PackOptions::downloadUrl, nullptr, nullptr, webAddressProblem,
     "the page the launcher offers when no Java it can use is found"},
    {"user-options", "on|off", &PackOptions::userOptions, nullptr, nullptr, checkSwitch,
     "on (the default): the configuration ends by reading %APPDATA%\\VENDOR\\NAME\\NAME.user.config where it exists, the place for a user's own options, which upgrades and repairs keep; off: no such line"},
    {"exit-notice", "WHEN", &PackOptions::exitNotice, nullptr, nullptr, checkExitNotice,
     "abnormal: the application's window tells of Java's end only when it was abnormal (a crash), not for every exit code but 0"},
    {"startup-cache", "on|off", &PackOptions::startupCache, nullptr, nullptr, checkSwitch,
     "on (the default): the launcher keeps Java's class data for each user between starts, so that the application starts sooner; off: not"},
    {"config-line", "LINE", nullptr, &PackOptions::configLines, nullptr, checkConfigLine,
     "one more line for the configuration, \"keyword value\", any keyword the launcher knows (repeatable)"},
    {"type", "TYPE", nullptr, &PackOptions::types, nullptr, checkType,
     "app-image (the folder), zip or msi (repeatable; default app-image)"},
    {"dest", "DIR", &PackOptions::dest, nullptr, nullptr, pathProblem,
     "where the outputs go (default: the current directory); an output there is replaced only when all of them have been made"},
    {"launchers", "DIR", &PackOptions::launchers, nullptr, nullptr, pathProblem,
     "where carafe.exe and carafe-console.exe are (default: beside carafe-pack)"},
    {"per-machine", nullptr, nullptr, nullptr, &PackOptions::perMachine, nullptr,
     "msi: install for every user into Program Files, with administrator rights (default: for the installing user, into %LOCALAPPDATA%\\Programs, without)"},
    {"start-menu-shortcut", nullptr, nullptr, nullptr, &PackOptions::startMenuShortcut, nullptr,
     "msi, with --console: a Start-menu shortcut all the same (a command-line application is put on PATH instead)"},
    {"file-associations", "FILE", nullptr, &PackOptions::fileAssociations, nullptr, pathProblem,
     "msi: a properties file (extension=, description=, icon=, mime-type=): double-clicking such a file opens it with the application (repeatable)"},
    {"about-url", "URL", &PackOptions::aboutUrl, nullptr, nullptr, webAddressProblem,
     "msi: the application's page, which Apps & features links to"},
    {"launch-after-install", nullptr, nullptr, nullptr, &PackOptions::launchAfterInstall, nullptr,
     "msi: start the application when the installation ends (msiexec LAUNCHAPPLICATION=0 keeps it from starting)"},
    {"desktop-shortcut", nullptr, nullptr, nullptr, &PackOptions::desktopShortcut, nullptr,
     "msi: a desktop shortcut besides the Start menu's"},
    {"upgrade-code", "GUID", &PackOptions::upgradeCode, nullptr, nullptr, checkUpgradeCode,
     "msi: the code shared by every version (default: derived from --vendor and --name, letter case ignored)"},
    {"app-user-model-id", "ID", &PackOptions::appUserModelId, nullptr, nullptr,
     checkAppUserModelId,
     "msi: the shortcuts' AppUserModelID, which the taskbar groups by (default: VENDOR.NAME without spaces and punctuation)"},
    {"sign", "FILE.p12", &PackOptions::sign, nullptr, nullptr, pathProblem,
     "sign the exe before it is packed, and the msi, with osslsigncode and this PKCS#12 file; its password in CARAFE_SIGN_PASSWORD"},
    {"timestamp-url", "URL", &PackOptions::timestampUrl, nullptr, nullptr, checkTimestampUrl,
     "with --sign: the certificate authority's time-stamping service, so that the signatures stay valid after the certificate expires"},
    {"help", nullptr, nullptr, nullptr, &PackOptions::help, nullptr,
     "show this text and end (given alone)"},
    {"version", nullptr, nullptr, nullptr, &PackOptions::showVersion, nullptr,
     "show carafe-pack's version and end (given alone)"},
};
// clang-format on

// An option's line in --help: its help in a column of its own, wrapped at 80
// characters.
std::string optionHelp(const std::string& head, const std::string& help) {
  constexpr std::size_t HELP_COLUMN = 28;
  constexpr std::size_t WIDTH = 80;
  std::string out = head;
  std::size_t column = head.size();
  if (column >= HELP_COLUMN - 1) {
    out += "\n";
    column = 0;
  }
  bool lineStart = true;
  std::size_t start = 0;
  while (start < help.size()) {
    std::size_t end = help.find(' ', start);
    if (end == std::string::npos) end = help.size();
    const std::string word = help.substr(start, end - start);
    start = end + 1;
    if (!lineStart && column + 1 + word.size() > WIDTH) {
      out += "\n";
      column = 0;
      lineStart = true;
    }
    if (lineStart) {
      out += std::string(HELP_COLUMN - column, ' ');
      column = HELP_COLUMN;
      lineStart = false;
    } else {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
  }
  return out + "\n";
}

// The options that only an installer uses.
// --description is not among them: it is accepted with every type, so that
// one list of options serves every build.
const char* const INSTALLER_OPTIONS[] = {
    "per-machine",       "desktop-shortcut",  "start-menu-shortcut", "upgrade-code",
    "app-user-model-id", "file-associations", "about-url",           "launch-after-install"};

const OptionRule& findOption(const std::string& name) {
  for (const OptionRule& rule : OPTIONS) {
    if (name == rule.name) return rule;
  }
  throw UsageError("unknown option --" + name);
}

bool isGiven(const PackOptions& options, const OptionRule& rule) {
  if (rule.flag != nullptr) return options.*(rule.flag);
  if (rule.list != nullptr) return !(options.*(rule.list)).empty();
  return !(options.*(rule.text)).empty();
}

void require(const std::string& value, const char* option, const char* what) {
  if (value.empty()) throw UsageError(std::string("--") + option + " is required: " + what);
}

// Windows Installer's versions: major and minor up to 255, the build up to
// 65535; a fourth number is kept but not compared.
void checkInstallerVersion(const std::string& version) {
  const brand::VersionNumber number = brand::parseVersionNumber(version);
  if (number.parts[0] > 255 || number.parts[1] > 255) {
    throw UsageError("--app-version: " + quoted(version) +
                     " cannot be an installer's version: Windows Installer takes a major and a "
                     "minor version up to 255 (and a build number up to 65535)");
  }
}

// Texts that go into the installer: wixl writes code page 1252 and expands
// "$" itself.
void checkInstallerText(const char* option, const std::string& text) {
  const std::string outside = outsideCodePage1252(text);
  if (!outside.empty()) {
    throw UsageError(std::string("--") + option + ": " + quoted(text) + " holds \"" + outside +
                     "\", which an installer that wixl builds cannot hold: its texts are in "
                     "Windows code page 1252 (Western European)");
  }
  if (text.find('$') != std::string::npos) {
    throw UsageError(std::string("--") + option + ": " + quoted(text) +
                     " holds \"$\", which wixl takes for a variable of its own and changes; give "
                     "the text without it");
  }
}

void checkCombination(PackOptions& options) {
  require(options.name, "name",
          "the application's name, which its exe, configuration and folder take");
  require(options.input, "input", "the directory of the application's jars");
  require(options.mainClass, "main-class", "the class whose main method starts the application");
  if (options.types.empty()) options.types.push_back(TYPE_APP_IMAGE);
  if (!options.timestampUrl.empty() && options.sign.empty()) {
    throw UsageError("--timestamp-url time-stamps the signatures, which are not made: add --sign");
  }
  if (options.startMenuShortcut && !options.console) {
    throw UsageError(
        "--start-menu-shortcut is for a command-line application, which has none otherwise: "
        "add --console, or leave it out (an application with a window always has one)");
  }
  if (!options.wants(TYPE_MSI)) {
    for (const char* name : INSTALLER_OPTIONS) {
      if (isGiven(options, findOption(name))) {
        throw UsageError(std::string("--") + name +
                         " is about the installer, which is not made: add --type msi");
      }
    }
    return;
  }
  require(options.vendor, "vendor",
          "an installer names its publisher, and tells this application's versions from other "
          "applications by vendor and name");
  checkInstallerVersion(options.appVersion);
  checkInstallerText("name", options.name);
  checkInstallerText("vendor", options.vendor);
  checkInstallerText("description", options.description);
  checkInstallerText("about-url", options.aboutUrl);
}

}  // namespace

bool PackOptions::wants(const char* type) const {
  return std::find(types.begin(), types.end(), type) != types.end();
}

bool PackOptions::callerDirectory() const {
  return workingDirectory.empty() ? console : workingDirectory == WORKING_CALLER;
}

PackOptions parseOptions(const std::vector<std::string>& arguments) {
  PackOptions options;
  // "--version 2.3.1" is meant as the application's version: a build that
  // went on after it would find no output.
  for (const std::string& argument : arguments) {
    const bool help = argument == "--help" || argument == "-h";
    if ((help || argument == "--version") && arguments.size() > 1) {
      throw UsageError("option " + argument + " stands alone: it shows " +
                       (help ? "how to use carafe-pack" : "carafe-pack's own version") +
                       " and packs nothing; give the application's version with --app-version");
    }
  }
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "-h") {
      options.help = true;
      continue;
    }
    if (argument.compare(0, 2, "--") != 0 || argument.size() == 2) {
      throw UsageError("unexpected argument " + quoted(argument) +
                       ": every value follows the option it belongs to");
    }
    const std::size_t equals = argument.find('=');
    const OptionRule& rule =
        findOption(argument.substr(2, equals == std::string::npos ? equals : equals - 2));
    const std::string shown = std::string("--") + rule.name;
    if (rule.flag != nullptr) {
      if (equals != std::string::npos) throw UsageError("option " + shown + " takes no value");
      options.*(rule.flag) = true;
      continue;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      throw UsageError("option " + shown + " needs a value");
    }
    const std::string problem = rule.check(value);
    if (!problem.empty()) throw UsageError(shown + ": " + problem);
    if (rule.list != nullptr) {
      std::vector<std::string>& list = options.*(rule.list);
      if (rule.list != &PackOptions::types || !options.wants(value.c_str())) list.push_back(value);
    } else {
      options.*(rule.text) = value;
    }
  }
  if (options.help || options.showVersion) return options;
  checkCombination(options);
  return options;
}

std::string usage() {
  std::string text =
      "Usage: carafe-pack --name NAME --input DIR --main-class CLASS [OPTION]...\n"
      "Makes a Windows application from a build's jars, on Linux as on Windows: the\n"
      "folder NAME with NAME.exe (carafe.exe branded with the application's icon,\n"
      "name and version), NAME.config and lib\\ with the jars; a zip of that folder;\n"
      "and a Windows Installer package (built with wixl) that installs it, upgrades\n"
      "an earlier version in place and uninstalls cleanly.\n"
      "\n";
  for (const OptionRule& rule : OPTIONS) {
    std::string head = std::string("  --") + rule.name;
    if (rule.valueName != nullptr) head += std::string(" ") + rule.valueName;
    text += optionHelp(head, rule.help);
  }
  text +=
      "\n"
      "Times in the zip, the folder and the installer come from SOURCE_DATE_EPOCH\n"
      "(default 1980-01-01), so the same inputs give the same zip and installer,\n"
      "each with a .sha256 file beside it. The msi type\n"
      "needs wixl and msibuild (Debian: apt-get install wixl msitools); --sign needs\n"
      "osslsigncode. Each is looked for on PATH.\n"
      "\n"
      "Example:\n"
      "  carafe-pack --name Editor --app-version 2.3.1 --vendor \"Example Ltd\" \\\n"
      "      --icon editor.ico --input target/jars \\\n"
      "      --main-class com.example.editor.Main --java-version 17+ --vmparam -Xmx1g \\\n"
      "      --type app-image --type zip --type msi --dest target/dist\n"
      "\n"
      "Exit status: 0 when every output was made, 1 when an input cannot be used, an\n"
      "output cannot be written or a tool failed, 2 for a command line that cannot be\n"
      "used. On failure nothing is left in the destination directory.\n";
  return text;
}

}  // namespace carafe::pack
