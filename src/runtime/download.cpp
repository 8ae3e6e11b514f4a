#include "runtime/download.h"

#include "core/exit_codes.h"
#include "core/notice.h"
#include "core/settings.h"
#include "platform/platform.h"

namespace carafe {

namespace {

// The application as the offer names it: appName, else mainClass, else the
// launcher's own name (the offer may come before either line was read).
std::string applicationName() {
  const LaunchSettings& settings = launchSettings;
  if (settings.appName && !settings.appName->empty()) return *settings.appName;
  if (settings.mainClass && !settings.mainClass->empty()) return *settings.mainClass;
  return settings.launcherName;
}

}  // namespace

std::string downloadPageUrl(const std::string& javaVersion) {
  if (javaVersion.compare(0, 5, "1.4.2") == 0) {
    return "https://www.oracle.com/j2se/1.4.2/download.html";
  }
  if (javaVersion.compare(0, 3, "1.5") == 0) {
    return "https://www.java.com/en/download/download_the_latest.jsp";
  }
  return std::string();
}

void openDownloadPage() {
  const std::optional<std::string>& version = launchSettings.javaVersion;
  if (!version || version->empty()) return;
  const std::string url = downloadPageUrl(*version);
  if (!url.empty()) platform::openUrl(url);
}

void offerRuntimeDownload(const std::string& caption) {
  const std::string version = launchSettings.javaVersion.value_or(std::string());
  const std::string text =
      formatText("%s requires the Java Runtime Environment version %s\nDo you want to download it?",
                 applicationName().c_str(), version.c_str());
  if (askErrorQuestion(caption, text)) openDownloadPage();
}

void promptForRuntime(const std::string& caption) {
  offerRuntimeDownload(caption);
  platform::exitProcess(EXIT_RUNTIME_OFFERED);
}

}  // namespace carafe
