// The runtimes installed on a machine, named as the runtime registry names
// them: one key per runtime, named by its version, one per version family for
// the family's highest runtime, and a "CurrentVersion" naming the default
// runtime's family. Portable: each platform only says where runtimes are.
#pragma once

#include <string>
#include <vector>

namespace carafe {

struct InstalledRuntime {
  std::string home;                    // the directory with the Java executables under bin
  std::string version;                 // JAVA_VERSION of its release file, else its registry name
  std::string source = std::string();  // where it was found (a registry key, a folder)
  // Found only in places of the starting user's own (the user's registry hive,
  // profile and environment): a machine-wide runtime of the same version wins.
  bool perUser = false;
};

struct RuntimeKey {
  std::string name;  // a version ("17.0.15") or a family ("17")
  std::string home;
};

struct RuntimeView {
  std::vector<RuntimeKey> keys;  // sorted by name
  std::string currentVersion;    // empty when nothing is installed
};

// Longest version text offered as a key: key names hold at most 254 characters.
constexpr std::size_t MAX_VERSION_LENGTH = 254;

// Builds the keys from the runtimes found; defaultHome (possibly empty)
// names the default runtime, else the highest version is the default.
RuntimeView buildRuntimeView(const std::vector<InstalledRuntime>& runtimes,
                             const std::string& defaultHome);

// The JAVA_VERSION="..." of a release file's text; empty when it has none
// that can name a key (too long, or with a backslash or control byte).
std::string releaseVersion(const std::string& releaseText);

// Whether two key names are the same, letter case ignored as the registry does.
bool sameKeyName(const std::string& a, const std::string& b);

// True when a version text can name a key.
bool usableVersion(const std::string& version);

}  // namespace carafe
