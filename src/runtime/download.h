// The offer to download the Java runtime that the application requires.
#pragma once

#include <string>

namespace carafe {

// Shows the download offer under caption; Yes opens the download page.
void offerRuntimeDownload(const std::string& caption);

// The same offer, then the process ends with exit code 11.
[[noreturn]] void promptForRuntime(const std::string& caption);

// Opens the vendor's download page for javaVersion, when there is one.
void openDownloadPage();

// The page's URL for a required version; empty when there is no page.
std::string downloadPageUrl(const std::string& javaVersion);

}  // namespace carafe
