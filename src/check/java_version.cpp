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
  for (const RuntimeKey& key : visibleRuntimeKeys()) names.push_back(key.name);
  return names;
}

std::vector<RuntimeKey> visibleRuntimeKeys() {
  std::vector<RuntimeKey> keys;
  const auto known = [&keys](const std::string& name) {
    return std::any_of(keys.begin(), keys.end(),
                       [&name](const RuntimeKey& key) { return key.name == name; });
  };
  platform::RegistryKey base = 0;
  if (platform::registryOpen(JRE_BASE_KEY, base) == 0) {
    const std::uint32_t count = platform::registrySubkeyCount(base);
    for (std::uint32_t index = 0; index < count; ++index) {
      RuntimeKey key;
      if (platform::registryEnumerate(base, index, VERSION_NAME_ROOM, key.name) != 0) continue;
      platform::RegistryKey version = 0;
      if (platform::registryOpen(std::string(JRE_BASE_KEY) + "\\" + key.name, version) == 0) {
        platform::registryReadText(version, "JavaHome", JAVA_HOME_ROOM, key.home);
        platform::registryClose(version);
      }
      keys.push_back(key);
    }
    platform::registryClose(base);
  }
  // Where the registry does not answer, the launcher asks every runtime on
  // the machine, under the same kind of names.
  for (const RuntimeKey& key : discoverRuntimes().view.keys) {
    if (!known(key.name)) keys.push_back(key);
  }
  return keys;
}

std::size_t runtimeCount(const std::vector<RuntimeKey>& keys) {
  const char separator = platform::conventions().directorySeparator;
  std::vector<std::string> homes;
  for (const RuntimeKey& key : keys) {
    // "C:\jre\" and "C:\jre" are one home; a key without one counts alone.
    std::string home = key.home;
    while (home.size() > 1 && (home.back() == separator || home.back() == '/')) home.pop_back();
    if (home.empty()) home = "\n" + key.name;
    if (std::find(homes.begin(), homes.end(), home) == homes.end()) homes.push_back(home);
  }
  return homes.size();
}

std::vector<Finding> explainJavaVersion(const std::string& required,
                                        const std::optional<std::string>& chosen) {
  std::vector<Finding> findings;
  if (required.empty()) return findings;
  findings.push_back({Finding::NOTE, form(required)});
  const std::vector<RuntimeKey> keys = visibleRuntimeKeys();
  std::vector<std::string> names;
  std::vector<std::string> satisfying;
  std::vector<RuntimeKey> satisfyingKeys;
  for (const RuntimeKey& key : keys) {
    names.push_back(key.name);
    if (!satisfiesVersion(required, key.name)) continue;
    satisfying.push_back(key.name);
    satisfyingKeys.push_back(key);
  }
  // One runtime is reached through several keys (its version and its family):
  // runtimes are counted by their homes.
  const std::size_t runtimes = runtimeCount(keys);
  if (names.empty()) {
    findings.push_back({Finding::NOTE, "the launcher sees no runtime"});
  } else if (satisfying.empty()) {
    findings.push_back(
        {Finding::NOTE, "no runtime satisfies it; the launcher sees " + quotedList(names)});
  } else {
    findings.push_back({Finding::NOTE, "satisfied by " + quotedList(satisfying) + ": " +
                                           std::to_string(runtimeCount(satisfyingKeys)) +
                                           " of the " + std::to_string(runtimes) +
                                           (runtimes == 1 ? " runtime" : " runtimes") +
                                           " the launcher sees"});
  }
  if (chosen) findings.push_back({Finding::NOTE, "chooses \"" + shown(*chosen) + "\""});
  return findings;
}

}  // namespace carafe::check
