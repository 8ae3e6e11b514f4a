#include "core/settings.h"

#include "core/notice.h"

namespace carafe {

LaunchSettings launchSettings;

void resetLaunchSettings() { launchSettings = LaunchSettings(); }

bool appendToList(TextList& list, const std::string& text, const std::string& origin) {
  if (list.entries.size() < static_cast<std::size_t>(MAX_LIST_ENTRIES)) {
    list.entries.push_back(text);
    return true;
  }
  if (!list.overflowReported) {
    list.overflowReported = true;
    showError("Error", formatText("More than %d entries for %s.\nOnly the first %d are used.",
                                  MAX_LIST_ENTRIES, origin.c_str(), MAX_LIST_ENTRIES));
  }
  return false;
}

}  // namespace carafe
