#include "runtime/runtime_view.h"

#include <algorithm>
#include <map>

#include "runtime/versions.h"

namespace carafe {

RuntimeView buildRuntimeView(const std::vector<InstalledRuntime>& runtimes,
                             const std::string& defaultHome) {
  RuntimeView view;
  if (runtimes.empty()) return view;
  std::map<std::string, std::string> keys;                 // name -> home
  std::map<std::string, const InstalledRuntime*> highest;  // family -> runtime
  const InstalledRuntime* best = &runtimes.front();
  const InstalledRuntime* chosen = nullptr;
  for (const InstalledRuntime& runtime : runtimes) {
    keys.emplace(runtime.version, runtime.home);
    const InstalledRuntime*& top = highest[versionFamily(runtime.version)];
    if (top == nullptr || versionLess(top->version, runtime.version)) top = &runtime;
    if (versionLess(best->version, runtime.version)) best = &runtime;
    if (chosen == nullptr && !defaultHome.empty() && runtime.home == defaultHome) chosen = &runtime;
  }
  // A runtime's own key wins over a family key of the same name.
  for (const auto& family : highest) keys.emplace(family.first, family.second->home);
  for (const auto& key : keys) view.keys.push_back({key.first, key.second});
  view.currentVersion = versionFamily((chosen != nullptr ? chosen : best)->version);
  return view;
}

bool sameKeyName(const std::string& a, const std::string& b) {
  const auto lower = [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

bool usableVersion(const std::string& version) {
  // A key name holds no backslash (it separates keys) and no control bytes.
  return !version.empty() && version.size() <= MAX_VERSION_LENGTH &&
         std::none_of(version.begin(), version.end(), [](char c) {
           return c == '\\' || c == '"' || static_cast<unsigned char>(c) < 32;
         });
}

std::string releaseVersion(const std::string& release) {
  const std::string key = "JAVA_VERSION=";
  for (std::size_t start = 0; start < release.size();) {
    std::size_t end = release.find('\n', start);
    if (end == std::string::npos) end = release.size();
    const std::string line = release.substr(start, end - start);
    start = end + 1;
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string version = line.substr(key.size());
    if (!version.empty() && version.back() == '\r') version.pop_back();
    if (version.size() >= 2 && version.front() == '"' && version.back() == '"') {
      version = version.substr(1, version.size() - 2);
    }
    return usableVersion(version) ? version : std::string();
  }
  return std::string();
}

}  // namespace carafe
