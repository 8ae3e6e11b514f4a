// carafe-check: what the launcher will do with its configuration on this
// machine, and why, without starting Java, showing a notice or opening a page.
//
//   carafe-check [--quiet] LAUNCHER [ARGUMENT...]
#include <cstdio>
#include <string>
#include <vector>

#include "check/machine.h"
#include "check/report.h"
#include "check/run.h"
#include "core/version.h"

namespace {

constexpr int USAGE_ERROR = 3;

const char* const USAGE =
    "Usage: carafe-check [--quiet] LAUNCHER [ARGUMENT]...\n"
    "Shows what the carafe launcher installed as LAUNCHER would do when started\n"
    "with the ARGUMENTs (-d included) on this machine: the configuration files it\n"
    "reads and what each line does or why it does nothing, the notices it would\n"
    "show, the Java runtime it would find, the classpath and main class, and the\n"
    "command line. Nothing is started and nothing is shown; a question counts as\n"
    "answered No. LAUNCHER need not exist: its name and directory decide.\n"
    "\n"
    "  -q, --quiet   print only the warnings and errors, one a line\n"
    "      --help    print this help and end\n"
    "      --version print the version and end\n"
    "\n"
    "Options come before LAUNCHER; every word after it is the launcher's.\n"
    "Exit status: 0 when the launcher would start Java and nothing looks wrong,\n"
    "1 when it would start Java and the report has warnings, 2 when it would not\n"
    "start Java, 3 for a command line that carafe-check cannot take.\n";

}  // namespace

int main(int argc, char** argv) {
  carafe::check::restrictLibrarySearch();
  bool quiet = false;
  int first = 1;
  for (; first < argc; ++first) {
    const std::string option = argv[first] != nullptr ? argv[first] : "";
    if (option == "--") {
      ++first;
      break;
    }
    if (option == "-q" || option == "--quiet") {
      quiet = true;
    } else if (option == "--help") {
      std::fputs(USAGE, stdout);
      return 0;
    } else if (option == "--version") {
      std::fputs("carafe-check " CARAFE_VERSION_TEXT "\n", stdout);
      return 0;
    } else if (option.size() > 1 && option[0] == '-') {
      std::fprintf(stderr, "carafe-check: unknown option %s\n%s", option.c_str(), USAGE);
      return USAGE_ERROR;
    } else {
      break;
    }
  }
  if (first >= argc) {
    std::fprintf(stderr, "carafe-check: name the launcher to check\n%s", USAGE);
    return USAGE_ERROR;
  }
  std::vector<std::string> arguments;
  for (int i = first + 1; i < argc; ++i) arguments.push_back(argv[i] != nullptr ? argv[i] : "");
  const carafe::check::CheckedRun run = carafe::check::runChecked(argv[first], arguments);
  const carafe::check::Report report = carafe::check::writeReport(run, quiet);
  carafe::check::writeOutput(report.text);
  return report.exitCode;
}
