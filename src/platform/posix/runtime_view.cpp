#include "platform/posix/runtime_view.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>

namespace carafe::platform {

namespace {

// Longest version text offered as a key: key names hold at most 254 characters.
constexpr std::size_t MAX_VERSION_LENGTH = 254;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string realPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return std::string();
  std::string result(resolved);
  std::free(resolved);
  return result;
}

// The whole content of a file, or what could be read of it. Plain read()
// keeps the stream and locale machinery out of the launcher, which starts
// before every run of the application.
std::string fileText(const std::string& path) {
  std::string text;
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return text;
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
    if (count > 0) {
      text.append(buffer, static_cast<std::size_t>(count));
    } else if (count == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(descriptor);
  return text;
}

bool isExecutableFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> splitList(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(':', start);
    const std::string part = text.substr(start, end - start);
    if (!part.empty()) parts.push_back(part);
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The home of the java that PATH finds, when it is a runtime's bin/java.
std::string pathJavaHome() {
  for (const std::string& directory : splitList(environment("PATH"))) {
    const std::string java = directory + "/java";
    if (!isExecutableFile(java)) continue;
    const std::string resolved = realPath(java);
    const std::string suffix = "/bin/java";
    if (resolved.size() > suffix.size() &&
        resolved.compare(resolved.size() - suffix.size(), suffix.size(), suffix) == 0) {
      return resolved.substr(0, resolved.size() - suffix.size());
    }
    return std::string();
  }
  return std::string();
}

void addRuntime(const std::string& home, std::vector<InstalledRuntime>& runtimes) {
  const std::string version = runtimeVersion(home);
  if (version.empty()) return;
  const std::string resolved = realPath(home);
  for (const InstalledRuntime& runtime : runtimes) {
    if (runtime.home == resolved) return;
  }
  runtimes.push_back({resolved, version});
}

}  // namespace

std::string versionFamily(const std::string& version) {
  std::size_t end = 0;
  while (end < version.size() && isDigit(version[end])) ++end;
  if (version.compare(0, end, "1") == 0 && end < version.size() && version[end] == '.') {
    ++end;  // 1.x: the family is "1." and the next number
    while (end < version.size() && isDigit(version[end])) ++end;
  }
  return end == 0 ? version : version.substr(0, end);
}

bool versionLess(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      std::size_t endA = i;
      std::size_t endB = j;
      while (endA < a.size() && isDigit(a[endA])) ++endA;
      while (endB < b.size() && isDigit(b[endB])) ++endB;
      // Compare numbers without converting them, so long runs cannot overflow.
      while (i < endA - 1 && a[i] == '0') ++i;
      while (j < endB - 1 && b[j] == '0') ++j;
      if (endA - i != endB - j) return endA - i < endB - j;
      const int order = a.compare(i, endA - i, b, j, endB - j);
      if (order != 0) return order < 0;
      i = endA;
      j = endB;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

RuntimeView buildRuntimeView(const std::vector<InstalledRuntime>& runtimes,
                             const std::string& defaultHome) {
  RuntimeView view;
  if (runtimes.empty()) return view;
  std::map<std::string, std::string> keys;  // name -> home
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

std::string runtimeVersion(const std::string& home) {
  if (home.empty() || !isExecutableFile(home + "/bin/java")) return std::string();
  const std::string release = fileText(home + "/release");
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
    // A key name holds no backslash (it separates keys) and no control bytes.
    const bool usable = !version.empty() && version.size() <= MAX_VERSION_LENGTH &&
                        std::none_of(version.begin(), version.end(), [](char c) {
                          return c == '\\' || c == '"' || static_cast<unsigned char>(c) < 32;
                        });
    return usable ? version : std::string();
  }
  return std::string();
}

std::vector<InstalledRuntime> findInstalledRuntimes(const std::vector<std::string>& roots) {
  std::vector<InstalledRuntime> runtimes;
  for (const std::string& root : roots) {
    addRuntime(root, runtimes);
    DIR* listing = ::opendir(root.c_str());
    if (listing == nullptr) continue;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(listing)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      const std::string home = root + "/" + name;
      addRuntime(home, runtimes);
      addRuntime(home + "/Contents/Home", runtimes);  // macOS bundles
    }
  }
  return runtimes;
}

RuntimeView loadRuntimeView() {
  const char* jvmPath = std::getenv("CARAFE_JVM_PATH");
  const std::vector<std::string> roots =
      jvmPath != nullptr ? splitList(jvmPath)
                         : std::vector<std::string>{"/usr/lib/jvm", "/usr/lib64/jvm",
                                                    "/Library/Java/JavaVirtualMachines"};
  std::vector<InstalledRuntime> runtimes = findInstalledRuntimes(roots);
  std::string defaultHome;
  const std::string javaHome = environment("JAVA_HOME");
  if (!runtimeVersion(javaHome).empty()) {
    addRuntime(javaHome, runtimes);
    defaultHome = realPath(javaHome);
  } else {
    defaultHome = pathJavaHome();
  }
  return buildRuntimeView(runtimes, defaultHome);
}

}  // namespace carafe::platform
