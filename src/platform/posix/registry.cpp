// The runtime registry, read only, over the view of the installed runtimes.
// Key 1 is the base key; key 2 + i is the view's key i.
#include <algorithm>
#include <optional>

#include "platform/platform.h"
#include "platform/posix/runtime_view.h"
#include "runtime/runtime_view.h"

namespace carafe::platform {

namespace {

constexpr long FOUND = 0;
constexpr long NOT_FOUND = 2;  // as the Windows registry says it
constexpr long MORE_DATA = 234;
constexpr RegistryKey BASE_KEY = 1;
const std::string BASE_PATH = "SOFTWARE\\JavaSoft\\Java Runtime Environment";

const RuntimeView& view() {
  static std::optional<RuntimeView> loaded;
  if (!loaded) loaded = loadRuntimeView();
  return *loaded;
}

long giveText(const std::string& value, std::uint32_t room, std::string& text) {
  if (value.size() + 1 > room) return MORE_DATA;
  text = value;
  return FOUND;
}

}  // namespace

long registryOpen(const std::string& path, RegistryKey& key) {
  const RuntimeView& runtimes = view();
  if (runtimes.keys.empty() || path.size() < BASE_PATH.size() ||
      !sameKeyName(path.substr(0, BASE_PATH.size()), BASE_PATH)) {
    return NOT_FOUND;
  }
  if (path.size() == BASE_PATH.size()) {
    key = BASE_KEY;
    return FOUND;
  }
  if (path[BASE_PATH.size()] != '\\') return NOT_FOUND;
  const std::string name = path.substr(BASE_PATH.size() + 1);
  for (std::size_t i = 0; i < runtimes.keys.size(); ++i) {
    if (sameKeyName(runtimes.keys[i].name, name)) {
      key = BASE_KEY + 1 + i;
      return FOUND;
    }
  }
  return NOT_FOUND;
}

long registryReadText(RegistryKey key, const std::string& valueName, std::uint32_t room,
                      std::string& text) {
  const RuntimeView& runtimes = view();
  if (key == BASE_KEY) {
    if (!sameKeyName(valueName, "CurrentVersion")) return NOT_FOUND;
    return giveText(runtimes.currentVersion, room, text);
  }
  const std::size_t index = key - BASE_KEY - 1;
  if (key <= BASE_KEY || index >= runtimes.keys.size() || !sameKeyName(valueName, "JavaHome")) {
    return NOT_FOUND;
  }
  return giveText(runtimes.keys[index].home, room, text);
}

std::uint32_t registrySubkeyCount(RegistryKey key) {
  return key == BASE_KEY ? static_cast<std::uint32_t>(view().keys.size()) : 0;
}

long registryEnumerate(RegistryKey key, std::uint32_t index, std::uint32_t room,
                       std::string& name) {
  const RuntimeView& runtimes = view();
  if (key != BASE_KEY || index >= runtimes.keys.size()) return NOT_FOUND;
  return giveText(runtimes.keys[index].name, room, name);
}

void registryClose(RegistryKey) {}

// The registry's other hives and views exist only on Windows.
long registryOpenAt(RegistryRoot, const std::string&, RegistryKey&) { return NOT_FOUND; }

}  // namespace carafe::platform
