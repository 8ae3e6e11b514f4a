#include "core/settings.h"

namespace carafe {

LaunchSettings launchSettings;

void resetLaunchSettings() { launchSettings = LaunchSettings(); }

void appendToList(TextList& list, const std::string& text) { list.entries.push_back(text); }

}  // namespace carafe
