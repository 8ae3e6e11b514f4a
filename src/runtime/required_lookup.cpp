#include "runtime/required_lookup.h"

#include <vector>

#include "core/notice.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "runtime/default_lookup.h"
#include "runtime/discovery.h"
#include "runtime/download.h"
#include "runtime/runtime_keys.h"
#include "runtime/versions.h"

namespace carafe {

namespace {

const char* const NOT_FOUND_CAPTION = "Java Runtime Environment Not Found";
const char* const INCOMPATIBLE_CAPTION = "Incompatible JRE Version Found";

// NO_RUNTIME: the base key holds no runtime at all (told apart for the minimum form only).
enum class RequiredFailure { NONE, NO_BASE, NO_RUNTIME, INCOMPATIBLE, NO_VERSION_KEY, NO_HOME };

// The minimum form ("17+"): the highest version of at least the one named,
// over the open base key, which it closes.
RequiredFailure resolveMinimumOver(RuntimeKeys& keys, std::uint32_t subkeys, std::string& version) {
  traceSearch(keys, formatText("javaVersion=%s, javaVer=%s\n", version.c_str(),
                               minimumOf(version).c_str()));
  std::vector<std::string> names;
  for (std::uint32_t index = 0; index < subkeys; ++index) {
    std::string name;
    if (!keys.name(index, name)) continue;
    traceSearch(keys, formatText("checking (%d) %s\n", static_cast<int>(index + 1), name.c_str()));
    names.push_back(name);
  }
  keys.closeBase();
  const std::optional<std::string> chosen = chooseMinimumVersion(names, version);
  if (!chosen) return names.empty() ? RequiredFailure::NO_RUNTIME : RequiredFailure::INCOMPATIBLE;
  traceSearch(keys, formatText("found latest java version %s\n", chosen->c_str()));
  version = *chosen;
  return RequiredFailure::NONE;
}

// Chooses among the version keys the one with the required prefix and the
// highest patch level, and rewrites version to its name.
RequiredFailure resolveOver(RuntimeKeys keys, std::string& version) {
  if (!keys.openBase()) return RequiredFailure::NO_BASE;
  const std::uint32_t subkeys = keys.count();
  if (versionForm(version) == VersionForm::MINIMUM) {
    return resolveMinimumOver(keys, subkeys, version);
  }

  const std::string prefix = versionPrefix(version);
  int bestLevel = patchLevel(version);
  std::string bestName;
  traceSearch(keys, formatText("javaVersion=%s, javaVer=%s\n", version.c_str(), prefix.c_str()));

  for (std::uint32_t index = 0; index < subkeys; ++index) {
    std::string name;
    if (!keys.name(index, name)) continue;
    traceSearch(keys, formatText("checking (%d) %s\n", static_cast<int>(index + 1), name.c_str()));
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    traceSearch(keys,
                formatText("found correct java version %s. checking patch level\n", name.c_str()));
    if (name.find('_') == std::string::npos) {
      traceSearch(keys, formatText("No patch level found in %s\n", name.c_str()));
      continue;
    }
    const int level = patchLevel(name);
    traceSearch(keys, formatText("checking patch level %d against %d\n", level, bestLevel));
    if (level >= bestLevel) {
      bestLevel = level;
      bestName = name;
      traceSearch(keys, formatText("found latest java version %s\n", name.c_str()));
    }
  }
  keys.closeBase();

  if (bestLevel <= 0) return RequiredFailure::NONE;
  if (bestName.empty()) return RequiredFailure::INCOMPATIBLE;
  version = bestName;
  return RequiredFailure::NONE;
}

// The home of the runtime that version names, resolved first unless it names
// exactly one runtime. keyPath is the version key's path, for the notices.
RequiredFailure lookupRequired(RuntimeKeys keys, std::string& version, std::string& home,
                               std::string& keyPath) {
  if (versionForm(version) != VersionForm::EXACT) {
    const RequiredFailure failure = resolveOver(keys, version);
    if (failure != RequiredFailure::NONE) return failure;
  }
  keyPath = versionKeyPath(version);
  if (!keys.wider()) showDebug("JavaInstallRegPath", keyPath);
  switch (keys.home(version, home)) {
    case RuntimeKeys::OPENED:
      return RequiredFailure::NONE;
    case RuntimeKeys::NO_KEY:
      return RequiredFailure::NO_VERSION_KEY;
    case RuntimeKeys::NO_HOME:
      break;
  }
  return RequiredFailure::NO_HOME;
}

// A resolution that found nothing: the offer, then the end with exit code 11.
[[noreturn]] void promptAfterResolution(RequiredFailure failure) {
  if (failure == RequiredFailure::NO_BASE && launchSettings.debugMode) {
    showError("Error Accessing Registry!", "Java Current Version");
  }
  promptForRuntime(failure == RequiredFailure::INCOMPATIBLE ? INCOMPATIBLE_CAPTION
                                                            : NOT_FOUND_CAPTION);
}

}  // namespace

void resolveInstalledVersion() {
  LaunchSettings& settings = launchSettings;
  if (!settings.javaVersion || settings.javaVersion->empty()) return;
  std::string version = *settings.javaVersion;
  const RequiredFailure failure = resolveOver(RuntimeKeys{}, version);
  if (failure != RequiredFailure::NONE) promptAfterResolution(failure);
  settings.javaVersion = version;
}

std::optional<std::string> findRequiredJava() {
  LaunchSettings& settings = launchSettings;
  if (!settings.javaVersion || settings.javaVersion->empty()) return std::nullopt;

  const std::string configured = *settings.javaVersion;
  std::string version = configured;
  std::string home;
  std::string keyPath;
  RequiredFailure failure = lookupRequired(RuntimeKeys{}, version, home, keyPath);
  if (failure == RequiredFailure::NONE && javaExists(home)) {
    settings.javaVersion = version;
    return buildJavaPath(home);
  }

  // The runtime registry does not answer: the same lookup over every runtime
  // on the machine, from the version as configured.
  if (const RuntimeView* view = widerView()) {
    std::string widerVersion = configured;
    std::string widerHome;
    std::string widerKeyPath;
    const RequiredFailure widerFailure =
        lookupRequired(RuntimeKeys{view}, widerVersion, widerHome, widerKeyPath);
    // A minimum that runtimes seen only there do not reach is "incompatible"
    // too, not "not found".
    if (widerFailure == RequiredFailure::INCOMPATIBLE &&
        versionForm(configured) == VersionForm::MINIMUM) {
      failure = RequiredFailure::INCOMPATIBLE;
    }
    if (widerFailure == RequiredFailure::NONE) {
      settings.javaVersion = widerVersion;
      discoverRuntimes().chosenHome = widerHome;
      traceDebug(
          formatText("runtime for javaVersion %s: %s\n", configured.c_str(), widerHome.c_str()));
      return buildJavaPath(widerHome);
    }
  }

  // Nothing answers: what the runtime registry's lookup has always said.
  settings.javaVersion = version;
  switch (failure) {
    case RequiredFailure::NONE:  // a home without Java: its command fails as it always has
      return buildJavaPath(home);
    case RequiredFailure::NO_BASE:
    case RequiredFailure::NO_RUNTIME:
    case RequiredFailure::INCOMPATIBLE:
      promptAfterResolution(failure);
    case RequiredFailure::NO_VERSION_KEY:
      if (settings.debugMode) showError("Error Accessing Registry!", "Java Current Version");
      offerRuntimeDownload(NOT_FOUND_CAPTION);
      return std::nullopt;
    case RequiredFailure::NO_HOME:
      break;
  }
  if (settings.debugMode) showError("Error Reading Registry!", "Java Home Directory");
  showError("Error!", formatText("No Java Home Directory Found for %s ", keyPath.c_str()));
  return std::nullopt;
}

}  // namespace carafe
