#include "check/java_version.h"

#include <algorithm>

#include "platform/platform.h"
#include "runtime/default_lookup.h"
#include "runtime/discovery.h"
#include "runtime/required_lookup.h"
#include "runtime/runtime_view.h"
#include "runtime/versions.h"

namespace carafe::check {

namespace {

std::string quotedList(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    text += (text.empty() ? "\"" : ", \"") + shown(name) + "\"";
  }
  return text;
}

std::string form(const std::string& required) {
  const std::string shownText = "\"" + shown(required) + "\"";
  const std::string prefix = "\"" + shown(versionPrefix(required)) + "\"";
  switch (versionForm(required)) {
    case VersionForm::MINIMUM:
      return "a minimum version: the highest runtime of at least \"" + shown(minimumOf(required)) +
             "\" (\"1.x\" counts as x, then number by number)";
    case VersionForm::EXACT:
      return "an exact version: the runtime named " + shownText + " and no other";
    case VersionForm::MINIMUM_PATCH:
      return "a minimum patch level: of the runtimes whose name begins with " + prefix +
             ", the one with the highest patch level, which must be at least " +
             std::to_string(patchLevel(required));
    case VersionForm::PREFIX:
      break;
  }
  return "a version prefix: of the runtimes whose name begins with " + prefix +
         ", the one with the highest patch level (after \"_\"); without one, " + shownText +
         " itself";
}

}  // namespace

std::vector<std::string> visibleRuntimeNames() {
  std::vector<std::string> names;
  platform::RegistryKey base = 0;
  if (platform::registryOpen(JRE_BASE_KEY, base) == 0) {
    const std::uint32_t count = platform::registrySubkeyCount(base);
    for (std::uint32_t index = 0; index < count; ++index) {
      std::string name;
      if (platform::registryEnumerate(base, index, VERSION_NAME_ROOM, name) == 0) {
        names.push_back(name);
      }
    }
    platform::registryClose(base);
  }
  // Where the registry does not answer, the launcher asks every runtime on
  // the machine, under the same kind of names.
  for (const RuntimeKey& key : discoverRuntimes().view.keys) {
    if (std::find(names.begin(), names.end(), key.name) == names.end()) names.push_back(key.name);
  }
  return names;
}

std::vector<Finding> explainJavaVersion(const std::string& required,
                                        const std::optional<std::string>& chosen) {
  std::vector<Finding> findings;
  if (required.empty()) return findings;
  findings.push_back({Finding::NOTE, form(required)});
  const std::vector<std::string> names = visibleRuntimeNames();
  std::vector<std::string> satisfying;
  for (const std::string& name : names) {
    if (satisfiesVersion(required, name)) satisfying.push_back(name);
  }
  if (names.empty()) {
    findings.push_back({Finding::NOTE, "the launcher sees no runtime"});
  } else if (satisfying.empty()) {
    findings.push_back(
        {Finding::NOTE, "no runtime satisfies it; the launcher sees " + quotedList(names)});
  } else {
    findings.push_back({Finding::NOTE, "satisfied by " + quotedList(satisfying) + " of the " +
                                           std::to_string(names.size()) +
                                           " runtimes the launcher sees"});
  }
  if (chosen) findings.push_back({Finding::NOTE, "chooses \"" + shown(*chosen) + "\""});
  return findings;
}

}  // namespace carafe::check
