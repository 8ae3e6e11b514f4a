#include "platform/posix/runtime_view.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/file_access.h"
#include "platform/platform.h"

namespace carafe::platform {

namespace {

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
    const std::string resolved = resolvedPath(java);
    const std::string suffix = "/bin/java";
    if (resolved.size() > suffix.size() &&
        resolved.compare(resolved.size() - suffix.size(), suffix.size(), suffix) == 0) {
      return resolved.substr(0, resolved.size() - suffix.size());
    }
    return std::string();
  }
  return std::string();
}

std::string releaseVersionOf(const std::string& home) {
  std::string release;
  std::string identity;
  std::string error;
  readWholeFile(home + "/release", release, identity, error);
  return releaseVersion(release);
}

// Adds the runtime at home unless a link to it was found before, which is
// known without reading its release file again. True where home is a runtime
// with a version; resolved, if given, receives its real path.
bool addRuntime(const std::string& home, std::vector<InstalledRuntime>& runtimes,
                std::string* resolved = nullptr) {
  if (home.empty() || !isExecutableFile(home + "/bin/java")) return false;
  const std::string real = resolvedPath(home);
  if (resolved != nullptr) *resolved = real;
  for (const InstalledRuntime& runtime : runtimes) {
    if (runtime.home == real) return true;
  }
  const std::string version = releaseVersionOf(home);
  if (version.empty()) return false;
  runtimes.push_back({real, version, std::string()});
  return true;
}

}  // namespace

std::string runtimeVersion(const std::string& home) {
  if (home.empty() || !isExecutableFile(home + "/bin/java")) return std::string();
  return releaseVersionOf(home);
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

std::vector<std::string> runtimeRoots() {
  const char* jvmPath = std::getenv("CARAFE_JVM_PATH");
  return jvmPath != nullptr ? splitList(jvmPath)
                            : std::vector<std::string>{"/usr/lib/jvm", "/usr/lib64/jvm",
                                                       "/Library/Java/JavaVirtualMachines"};
}

RuntimeView loadRuntimeView() {
  std::vector<InstalledRuntime> runtimes = findInstalledRuntimes(runtimeRoots());
  std::string defaultHome;
  if (!addRuntime(environment("JAVA_HOME"), runtimes, &defaultHome)) defaultHome = pathJavaHome();
  return buildRuntimeView(runtimes, defaultHome);
}

}  // namespace carafe::platform
