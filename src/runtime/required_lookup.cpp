#include "runtime/required_lookup.h"

#include <climits>

#include "core/notice.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "runtime/default_lookup.h"
#include "runtime/download.h"

namespace carafe {

namespace {

const char* const NOT_FOUND_CAPTION = "Java Runtime Environment Not Found";

// Reads a decimal number as atoi does (leading white space, one sign, digits
// up to the first other character), saturating instead of overflowing.
int readLevel(const std::string& text, std::size_t position) {
  while (position < text.size() &&
         (text[position] == ' ' || (text[position] >= '\t' && text[position] <= '\r'))) {
    ++position;
  }
  bool negative = false;
  if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
    negative = text[position] == '-';
    ++position;
  }
  long long level = 0;
  for (; position < text.size() && text[position] >= '0' && text[position] <= '9'; ++position) {
    if (level <= INT_MAX) level = level * 10 + (text[position] - '0');
  }
  if (level > INT_MAX) level = negative ? static_cast<long long>(INT_MAX) + 1 : INT_MAX;
  return static_cast<int>(negative ? -level : level);
}

}  // namespace

int patchLevel(const std::string& version) {
  const std::size_t underscore = version.find('_');
  return underscore == std::string::npos ? 0 : readLevel(version, underscore + 1);
}

void resolveInstalledVersion() {
  LaunchSettings& settings = launchSettings;
  if (!settings.javaVersion || settings.javaVersion->empty()) return;

  platform::RegistryKey base = 0;
  if (platform::registryOpen(JRE_BASE_KEY, base) != 0) {
    if (settings.debugMode) showError("Error Accessing Registry!", "Java Current Version");
    promptForRuntime(NOT_FOUND_CAPTION);
  }
  const std::uint32_t subkeys = platform::registrySubkeyCount(base);

  const std::string& required = *settings.javaVersion;
  const std::string prefix = required.substr(0, required.find('_'));
  int bestLevel = patchLevel(required);
  std::string bestName;
  trace(formatText("javaVersion=%s, javaVer=%s\n", required.c_str(), prefix.c_str()));

  for (std::uint32_t index = 0; index < subkeys; ++index) {
    std::string name;
    if (platform::registryEnumerate(base, index, VERSION_NAME_ROOM, name) != 0) continue;
    trace(formatText("checking (%d) %s\n", static_cast<int>(index + 1), name.c_str()));
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    trace(formatText("found correct java version %s. checking patch level\n", name.c_str()));
    if (name.find('_') == std::string::npos) {
      trace(formatText("No patch level found in %s\n", name.c_str()));
      continue;
    }
    const int level = patchLevel(name);
    trace(formatText("checking patch level %d against %d\n", level, bestLevel));
    if (level >= bestLevel) {
      bestLevel = level;
      bestName = name;
      trace(formatText("found latest java version %s\n", name.c_str()));
    }
  }
  platform::registryClose(base);

  if (bestLevel <= 0) return;
  if (bestName.empty()) promptForRuntime("Incompatible JRE Version Found");
  settings.javaVersion = bestName;
}

std::optional<std::string> findRequiredJava() {
  LaunchSettings& settings = launchSettings;
  if (!settings.javaVersion || settings.javaVersion->empty()) return std::nullopt;

  const std::string& version = *settings.javaVersion;
  const bool exact =
      version.find('_') != std::string::npos && version.find('+') == std::string::npos;
  if (!exact) resolveInstalledVersion();

  const std::string keyPath = versionKeyPath(*settings.javaVersion);
  showDebug("JavaInstallRegPath", keyPath);

  platform::RegistryKey key = 0;
  if (platform::registryOpen(keyPath, key) != 0) {
    if (settings.debugMode) showError("Error Accessing Registry!", "Java Current Version");
    offerRuntimeDownload(NOT_FOUND_CAPTION);
    return std::nullopt;
  }
  std::string home;
  const long read = platform::registryReadText(key, "JavaHome", JAVA_HOME_ROOM, home);
  platform::registryClose(key);
  if (read != 0) {
    if (settings.debugMode) showError("Error Reading Registry!", "Java Home Directory");
    showError("Error!", formatText("No Java Home Directory Found for %s ", keyPath.c_str()));
    return std::nullopt;
  }
  return buildJavaPath(home);
}

}  // namespace carafe
