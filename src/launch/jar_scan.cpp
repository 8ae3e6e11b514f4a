#include "launch/jar_scan.h"

#include "core/notice.h"
#include "core/settings.h"
#include "platform/platform.h"

namespace carafe {

void scanJarDirectory(const std::string& directory) {
  std::string searched;
  searched.reserve(directory.size());
  for (char c : directory) {
    if (c != '"') searched += c;
  }

  platform::SearchMatch match;
  std::string why;
  platform::Search* search = platform::searchStart(searched, ".jar", match, &why);
  if (search == nullptr) {
    traceDebug(formatText("No jar files found in [%s]\n", directory.c_str()));
    if (!why.empty()) traceDebug(formatText("  it cannot be read: %s\n", why.c_str()));
    return;
  }
  do {
    if (match.isDirectory) continue;
    const std::string entry = directory + "/" + match.name;
    appendToList(launchSettings.vmJars, entry);
    // The trace line is formatted only when it is written: this runs once per jar.
    if (launchSettings.debugMode) trace(formatText("adding jar %s\n", entry.c_str()));
  } while (platform::searchNext(search, match));
  platform::searchClose(search);
}

}  // namespace carafe
