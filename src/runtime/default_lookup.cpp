#include "runtime/default_lookup.h"

#include "core/notice.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "runtime/discovery.h"
#include "runtime/runtime_keys.h"

namespace carafe {

const char* const JRE_BASE_KEY = "SOFTWARE\\JavaSoft\\Java Runtime Environment";

namespace {

enum class DefaultFailure { NONE, NO_BASE, NO_CURRENT_VERSION, NO_VERSION_KEY, NO_HOME };

// The home of the runtime that "CurrentVersion" names.
DefaultFailure lookupDefault(RuntimeKeys keys, std::string& home) {
  if (!keys.openBase()) return DefaultFailure::NO_BASE;
  std::string currentVersion;
  const bool read = keys.currentVersion(currentVersion);
  keys.closeBase();
  if (!read) return DefaultFailure::NO_CURRENT_VERSION;
  switch (keys.home(currentVersion, home)) {
    case RuntimeKeys::OPENED:
      return DefaultFailure::NONE;
    case RuntimeKeys::NO_KEY:
      return DefaultFailure::NO_VERSION_KEY;
    case RuntimeKeys::NO_HOME:
      break;
  }
  return DefaultFailure::NO_HOME;
}

std::optional<std::string> lookupFailed(const char* debugCaption, const char* debugText,
                                        const char* text) {
  if (launchSettings.debugMode) showError(debugCaption, debugText);
  showError("Error!", text);
  return std::nullopt;
}

}  // namespace

std::string versionKeyPath(const std::string& version) {
  return std::string(JRE_BASE_KEY) + "\\" + version;
}

std::string buildJavaPath(const std::string& home) {
  const platform::Conventions& conventions = platform::conventions();
  const bool quoted = home.find(' ') != std::string::npos;
  std::string path;
  if (quoted) path += '"';
  path += home;
  path += conventions.javaBinDirectory;
  path += launchSettings.debugMode ? conventions.javaConsoleExecutable : conventions.javaExecutable;
  if (quoted) path += '"';
  return path;
}

std::optional<std::string> findDefaultJava() {
  std::string home;
  const DefaultFailure failure = lookupDefault(RuntimeKeys{}, home);
  if (failure == DefaultFailure::NONE && javaExists(home)) return buildJavaPath(home);

  // The runtime registry does not answer: the default among every runtime on
  // the machine, where there is one.
  if (const RuntimeView* view = widerView()) {
    std::string widerHome;
    if (lookupDefault(RuntimeKeys{view}, widerHome) == DefaultFailure::NONE) {
      discoverRuntimes().chosenHome = widerHome;
      traceDebug(formatText("default runtime: %s\n", widerHome.c_str()));
      return buildJavaPath(widerHome);
    }
  }

  switch (failure) {
    case DefaultFailure::NONE:  // a home without Java: its command fails as it always has
      return buildJavaPath(home);
    case DefaultFailure::NO_BASE:
      return lookupFailed("Error Accessing Registry!", JRE_BASE_KEY, "No Java Installation Found");
    case DefaultFailure::NO_CURRENT_VERSION:
      return lookupFailed("Error Reading Registry", "Java Current Version Key",
                          "No Java Installation Found");
    case DefaultFailure::NO_VERSION_KEY:
      return lookupFailed("Error Accessing Registry!", "Java Current Version",
                          "No Java Installation (No Current Version) Found");
    case DefaultFailure::NO_HOME:
      break;
  }
  return lookupFailed("Error Reading Registry!", "Java Home Directory",
                      "No Java Installation Home Directory Found");
}

}  // namespace carafe
