#include "runtime/download.h"

#include "core/exit_codes.h"
#include "core/notice.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "runtime/versions.h"

namespace carafe {

namespace {

// Where a current free runtime of one feature version is offered, the
// feature number appended. Its builds begin with Java 8.
const char* const RELEASES_PAGE = "https://adoptium.net/temurin/releases/?version=";
constexpr int OLDEST_RELEASED_FEATURE = 8;

char lowered(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithWord(const std::string& text, const std::string& word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (lowered(text[i]) != word[i]) return false;
  }
  return true;
}

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
  int feature = featureVersion(javaVersion);
  // "1.6+" is met by every later runtime, so by the oldest one offered; an
  // exact 1.6 or 1.7 is not, and has no page.
  if (feature >= 0 && feature < OLDEST_RELEASED_FEATURE && isMinimumVersion(javaVersion)) {
    feature = OLDEST_RELEASED_FEATURE;
  }
  if (feature < OLDEST_RELEASED_FEATURE) return std::string();
  return RELEASES_PAGE + std::to_string(feature);
}

bool isWebAddress(const std::string& url) {
  std::size_t host = 0;
  if (startsWithWord(url, "https://")) {
    host = 8;
  } else if (startsWithWord(url, "http://")) {
    host = 7;
  } else {
    return false;
  }
  if (url.size() <= host || url[host] == '/') return false;
  // A space, a quote or a control character would split the command that
  // opens the page; a real address has them percent-encoded.
  for (const char c : url) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte == 0x7f || c == '"') return false;
  }
  return true;
}

std::string offeredPageUrl() {
  const LaunchSettings& settings = launchSettings;
  if (settings.downloadUrl) return *settings.downloadUrl;
  if (!settings.javaVersion || settings.javaVersion->empty()) return std::string();
  return downloadPageUrl(*settings.javaVersion);
}

void openDownloadPage() {
  const std::string url = offeredPageUrl();
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
