#include "runtime/default_lookup.h"

#include "core/notice.h"
#include "core/settings.h"
#include "platform/platform.h"

namespace carafe {

const char* const JRE_BASE_KEY = "SOFTWARE\\JavaSoft\\Java Runtime Environment";

namespace {

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
  platform::RegistryKey base = 0;
  if (platform::registryOpen(JRE_BASE_KEY, base) != 0) {
    return lookupFailed("Error Accessing Registry!", JRE_BASE_KEY, "No Java Installation Found");
  }
  std::string currentVersion;
  const long read =
      platform::registryReadText(base, "CurrentVersion", CURRENT_VERSION_ROOM, currentVersion);
  platform::registryClose(base);
  if (read != 0) {
    return lookupFailed("Error Reading Registry", "Java Current Version Key",
                        "No Java Installation Found");
  }

  platform::RegistryKey versionKey = 0;
  if (platform::registryOpen(versionKeyPath(currentVersion), versionKey) != 0) {
    return lookupFailed("Error Accessing Registry!", "Java Current Version",
                        "No Java Installation (No Current Version) Found");
  }
  std::string home;
  const long homeRead = platform::registryReadText(versionKey, "JavaHome", JAVA_HOME_ROOM, home);
  platform::registryClose(versionKey);
  if (homeRead != 0) {
    return lookupFailed("Error Reading Registry!", "Java Home Directory",
                        "No Java Installation Home Directory Found");
  }
  return buildJavaPath(home);
}

}  // namespace carafe
