#include "brand/options.h"

namespace carafe::brand {

namespace {

struct OptionRule {
  const char* longName;
  char shortName;
  std::string Options::*value;  // null for the flags
  bool Options::*flag;
  const char* shows;  // a flag: what it shows instead of branding
};

const OptionRule OPTIONS[] = {
    {"icon", 'i', &Options::icon, nullptr, nullptr},
    {"description", 'd', &Options::description, nullptr, nullptr},
    {"product", 'p', &Options::product, nullptr, nullptr},
    {"app-version", 'a', &Options::version, nullptr, nullptr},
    {"company", 'c', &Options::company, nullptr, nullptr},
    {"copyright", 'l', &Options::copyright, nullptr, nullptr},
    {"help", 'h', nullptr, &Options::help, "how to use carafe-brand"},
    {"version", '\0', nullptr, &Options::showVersion, "carafe-brand's own version"},
};

// Why a flag cannot be used as it was given ("takes no value", "stands
// alone"): "--version 2.3.1" is meant as the application's version, and a
// build script that goes on after it would find no exe.
UsageError misusedFlag(const std::string& shown, const OptionRule& rule, const char* fault) {
  return UsageError("option " + shown + " " + fault + ": it shows " + rule.shows +
                    " and brands nothing; give the application's version with --app-version");
}

const OptionRule& findLong(const std::string& name) {
  const OptionRule* found = nullptr;
  for (const OptionRule& rule : OPTIONS) {
    const std::string candidate = rule.longName;
    if (candidate == name) return rule;
    if (candidate.compare(0, name.size(), name) == 0) {
      if (found != nullptr) throw UsageError("option --" + name + " is ambiguous");
      found = &rule;
    }
  }
  if (found == nullptr) throw UsageError("unknown option --" + name);
  return *found;
}

const OptionRule& findShort(char name) {
  for (const OptionRule& rule : OPTIONS) {
    if (rule.shortName == name) return rule;
  }
  throw UsageError(std::string("unknown option -") + name);
}

}  // namespace

Options parseOptions(const std::vector<std::string>& arguments) {
  Options options;
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      files.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    const OptionRule* rule = nullptr;
    std::string shown;
    std::string value;
    bool hasValue = false;
    if (argument[1] == '-') {
      const std::size_t equals = argument.find('=');
      rule = &findLong(argument.substr(2, equals == std::string::npos ? equals : equals - 2));
      shown = std::string("--") + rule->longName;
      if (equals != std::string::npos) {
        if (rule->value == nullptr) throw misusedFlag(shown, *rule, "takes no value");
        value = argument.substr(equals + 1);
        hasValue = true;
      }
    } else {
      rule = &findShort(argument[1]);
      shown = std::string("-") + argument[1];
      if (argument.size() > 2) {
        if (rule->value == nullptr) throw misusedFlag(shown, *rule, "takes no value");
        value = argument.substr(2);
        hasValue = true;
      }
    }
    if (rule->flag != nullptr) {
      if (arguments.size() > 1) throw misusedFlag(shown, *rule, "stands alone");
      options.*(rule->flag) = true;
      continue;
    }
    if (!hasValue) {
      if (i + 1 == arguments.size()) throw UsageError("option " + shown + " needs a value");
      value = arguments[++i];
    }
    options.*(rule->value) = value;  // the last one given counts
  }
  if (options.help || options.showVersion) return options;  // given alone
  if (files.size() != 2) {
    throw UsageError(files.size() < 2 ? "name the launcher to brand and the output file"
                                      : "more than two files named: " + files[2]);
  }
  options.input = files[0];
  options.output = files[1];
  return options;
}

std::string usage() {
  return "Usage: carafe-brand [OPTION]... LAUNCHER.exe OUTPUT.exe\n"
         "Writes OUTPUT.exe, a copy of the carafe launcher LAUNCHER.exe with the\n"
         "application's own icon and version information (which Explorer and Task\n"
         "Manager show). LAUNCHER.exe is never changed; OUTPUT.exe is replaced only\n"
         "when the whole copy has been written. A branded exe can be branded again.\n"
         "\n"
         "  -i, --icon=FILE.ico       the icon: every image of the .ico file (BMP or PNG,\n"
         "                            up to 256x256 pixels); without it, no icon\n"
         "  -d, --description=TEXT    FileDescription, the name Task Manager shows\n"
         "                            (default: OUTPUT's base name)\n"
         "  -p, --product=TEXT        ProductName (default: the description)\n"
         "  -a, --app-version=X.Y.Z.W FileVersion and ProductVersion, 1 to 4 numbers\n"
         "                            up to 65535 (default: 1.0.0.0)\n"
         "  -c, --company=TEXT        CompanyName\n"
         "  -l, --copyright=TEXT      LegalCopyright\n"
         "  -h, --help                show this text and end (given alone)\n"
         "      --version             show carafe-brand's version and end (given alone)\n"
         "\n"
         "Texts are UTF-8. InternalName is OUTPUT's base name, OriginalFilename its\n"
         "file name, and Comments names the launcher's version (\"carafe 1.0.7\").\n"
         "\n"
         "Example:\n"
         "  carafe-brand carafe.exe dist/Editor.exe --icon editor.ico \\\n"
         "      --description \"Editor\" --product \"Example Editor\" --app-version 2.3.1 \\\n"
         "      --company \"Example Ltd\" --copyright \"(c) 2026 Example Ltd\"\n"
         "\n"
         "Exit status: 0 when OUTPUT.exe was written, 1 when an input cannot be used or\n"
         "the output cannot be written, 2 for a command line that cannot be used.\n";
}

}  // namespace carafe::brand
