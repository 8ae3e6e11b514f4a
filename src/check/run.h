// Runs the launcher's own logic for a launcher path and its arguments, as
// the launcher would run started so, on this machine, with the check's
// platform recording instead of showing and starting.
#pragma once

#include <string>
#include <vector>

#include "check/observer.h"
#include "core/settings.h"
#include "platform/conventions.h"

namespace carafe::check {

struct CheckedRun {
  std::vector<std::string> words;  // the launcher's argument vector, argument 0 first
  const platform::Conventions* conventions = nullptr;
  std::string build;               // the launcher build whose rules applied
  bool otherRegistryView = false;  // a 32-bit launcher, which reads the other registry view
  Observation observation;
  int exitCode = 0;            // the launcher's, with Java ending with 0
  LaunchSettings settings;     // as the run left them
  std::string startDirectory;  // the current directory before the start-up
  std::string directory;       // and after it
};

// launcherPath need not exist: its name and directory decide. A Windows
// launcher that exists and is a console program is checked as the console
// build.
CheckedRun runChecked(const std::string& launcherPath, const std::vector<std::string>& arguments);

}  // namespace carafe::check
