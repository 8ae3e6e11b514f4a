#include "runtime/bundled_runtime.h"

#include "core/notice.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "runtime/default_lookup.h"

namespace carafe {

BundledRuntime examineBundledRuntime(const std::string& directory) {
  const platform::Conventions& conventions = platform::conventions();
  const char separator = conventions.directorySeparator;
  const LaunchSettings& settings = launchSettings;
  BundledRuntime runtime;
  std::string home = directory;
  while (home.size() > 1 && (home.back() == separator || home.back() == '/')) home.pop_back();
  // Named from the launcher's directory, never from wherever it was started.
  if (!platform::isAbsolutePath(conventions, home) && !settings.workingDir.empty()) {
    home = settings.workingDir + separator + home;
  }
  runtime.home = home;
  runtime.java =
      home + conventions.javaBinDirectory +
      (settings.debugMode ? conventions.javaConsoleExecutable : conventions.javaExecutable);
  const std::string release = home + separator + "release";
  if (!platform::isFile(runtime.java)) {
    runtime.missing = runtime.java;
  } else if (!platform::isFile(release)) {
    runtime.missing = release;
  }
  return runtime;
}

void useBundledRuntime(const std::string& directory) {
  const BundledRuntime runtime = examineBundledRuntime(directory);
  if (!runtime.missing.empty()) {
    traceDebug(formatText("bundled runtime %s: %s is missing, so the machine is searched\n",
                          runtime.home.c_str(), runtime.missing.c_str()));
    return;
  }
  traceDebug(formatText("bundled runtime %s\n", runtime.home.c_str()));
  launchSettings.bundledRuntime = runtime.home;
  launchSettings.javaPath = buildJavaPath(runtime.home);
}

bool bundledRuntimeServes(const std::string& javaVersion) {
  const LaunchSettings& settings = launchSettings;
  if (!settings.bundledRuntime || settings.javaPath != buildJavaPath(*settings.bundledRuntime)) {
    return false;
  }
  traceDebug(formatText("javaVersion %s: the bundled runtime is used, nothing is searched\n",
                        javaVersion.c_str()));
  return true;
}

}  // namespace carafe
