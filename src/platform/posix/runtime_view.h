// The runtimes installed on this machine, offered as the read-only registry
// view that the runtime lookups expect: one key per runtime, named by its
// version, one per version family for the family's highest runtime, and a
// "CurrentVersion" naming the default runtime's family.
#pragma once

#include <string>
#include <vector>

namespace carafe::platform {

struct InstalledRuntime {
  std::string home;     // the directory with bin/java and release
  std::string version;  // JAVA_VERSION of its release file
};

struct RuntimeKey {
  std::string name;  // a version ("17.0.15") or a family ("17")
  std::string home;
};

struct RuntimeView {
  std::vector<RuntimeKey> keys;  // sorted by name
  std::string currentVersion;    // empty when nothing is installed
};

// "1.8" for 1.8.0_452, "17" for 17.0.15.
std::string versionFamily(const std::string& version);

// Orders versions by their numbers (1.8.0_452 < 1.8.0_462 < 11.0.2 < 17).
bool versionLess(const std::string& a, const std::string& b);

// Builds the keys from the runtimes found; defaultHome (possibly empty)
// names the default runtime, else the highest version is the default.
RuntimeView buildRuntimeView(const std::vector<InstalledRuntime>& runtimes,
                             const std::string& defaultHome);

// The JAVA_VERSION of the runtime at home, or empty when home is no runtime.
std::string runtimeVersion(const std::string& home);

// The runtimes directly below each root (and each root that is one itself),
// each counted once however it is reached.
std::vector<InstalledRuntime> findInstalledRuntimes(const std::vector<std::string>& roots);

// The view of this machine: CARAFE_JVM_PATH (":"-separated roots) or the usual
// places, JAVA_HOME, and the java on PATH as the default.
RuntimeView loadRuntimeView();

}  // namespace carafe::platform
