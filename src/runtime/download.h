// The offer to download the Java runtime that the application requires.
#pragma once

#include <string>

namespace carafe {

// Shows the download offer under caption; Yes opens the download page.
void offerRuntimeDownload(const std::string& caption);

// The same offer, then the process ends with exit code 11.
[[noreturn]] void promptForRuntime(const std::string& caption);

// Opens the page that offeredPageUrl names, when it names one.
void openDownloadPage();

// The page that Yes on the offer opens: downloadUrl when the configuration
// set one, else the page for javaVersion; empty when there is none.
std::string offeredPageUrl();

// The page for a required version: the classic pages of the 1.4.2 and 1.5
// families, else a page offering a current free runtime of the version's
// feature number (8 and later; a minimum below 8 gets 8's page); empty when
// there is none.
std::string downloadPageUrl(const std::string& javaVersion);

// Whether a text is an address that may be opened as the download page: an
// http or https URL with a host, holding no space, quote or control
// character.
bool isWebAddress(const std::string& url);

}  // namespace carafe
