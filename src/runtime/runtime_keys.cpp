#include "runtime/runtime_keys.h"

#include "core/notice.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "runtime/default_lookup.h"
#include "runtime/discovery.h"
#include "runtime/required_lookup.h"

namespace carafe {

namespace {

const RuntimeKey* findKey(const RuntimeView& view, const std::string& name) {
  // As the registry does, key names are matched regardless of letter case.
  for (const RuntimeKey& key : view.keys) {
    if (sameKeyName(key.name, name)) return &key;
  }
  return nullptr;
}

}  // namespace

bool RuntimeKeys::openBase() {
  if (view != nullptr) return !view->keys.empty();
  return platform::registryOpen(JRE_BASE_KEY, base_) == 0;
}

bool RuntimeKeys::currentVersion(std::string& version) {
  if (view != nullptr) {
    version = view->currentVersion;
    return !version.empty();
  }
  return platform::registryReadText(base_, "CurrentVersion", CURRENT_VERSION_ROOM, version) == 0;
}

std::uint32_t RuntimeKeys::count() {
  if (view != nullptr) return static_cast<std::uint32_t>(view->keys.size());
  return platform::registrySubkeyCount(base_);
}

bool RuntimeKeys::name(std::uint32_t index, std::string& name) {
  if (view != nullptr) {
    if (index >= view->keys.size()) return false;
    name = view->keys[index].name;
    return true;
  }
  return platform::registryEnumerate(base_, index, VERSION_NAME_ROOM, name) == 0;
}

RuntimeKeys::HomeRead RuntimeKeys::home(const std::string& version, std::string& home) {
  if (view != nullptr) {
    const RuntimeKey* key = findKey(*view, version);
    if (key == nullptr) return NO_KEY;
    home = key->home;
    return OPENED;
  }
  platform::RegistryKey key = 0;
  if (platform::registryOpen(versionKeyPath(version), key) != 0) return NO_KEY;
  const long read = platform::registryReadText(key, "JavaHome", JAVA_HOME_ROOM, home);
  platform::registryClose(key);
  return read == 0 ? OPENED : NO_HOME;
}

void RuntimeKeys::closeBase() {
  if (view == nullptr) platform::registryClose(base_);
}

const RuntimeView* widerView() {
  const bool first = !runtimesDiscovered();
  if (first) traceDebug("the runtime registry does not answer: searching the machine\n");
  const RuntimeView& view = discoverRuntimes().view;
  return view.keys.empty() ? nullptr : &view;
}

void traceSearch(const RuntimeKeys& keys, const std::string& line) {
  if (keys.wider()) {
    traceDebug(line);
  } else {
    traceSearch(line);
  }
}

bool javaExists(const std::string& home) {
  const platform::Conventions& conventions = platform::conventions();
  return platform::isFile(
      home + conventions.javaBinDirectory +
      (launchSettings.debugMode ? conventions.javaConsoleExecutable : conventions.javaExecutable));
}

}  // namespace carafe
