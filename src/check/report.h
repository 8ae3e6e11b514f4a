// The check's report for a person: the configuration files line by line, the
// notices, the runtime, the classpath, the command line and the outcome.
#pragma once

#include <string>

#include "check/run.h"

namespace carafe::check {

// The check's own exit codes.
constexpr int CHECK_CLEAN = 0;     // the launcher would start Java; nothing looks wrong
constexpr int CHECK_WARNINGS = 1;  // it would start Java, and the report has warnings
constexpr int CHECK_NO_START = 2;  // it would not start Java

struct Report {
  std::string text;
  int exitCode = CHECK_CLEAN;
  int warnings = 0;
};

// quiet: only the warnings and errors, one a line, as "file:line: warning: ...".
Report writeReport(const CheckedRun& run, bool quiet);

}  // namespace carafe::check
