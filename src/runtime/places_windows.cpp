// Where Windows installers put Java runtimes: their registry keys in both
// registry views of the machine's and the user's hive, the environment, PATH,
// the vendors' folders, scoop and the per-user tool caches.
//
// Only places that the machine's administrator or the starting user alone can
// write: HKLM and the program folders are the administrator's; HKCU, the
// profile (scoop, the tool caches) and %LOCALAPPDATA% the user's own. Places
// that every user may write by default are never searched, since a runtime
// planted there would start with the rights of whoever starts the
// application: %ProgramData% (where users may create folders, so scoop's
// global apps are left out), the roots of drives, %PUBLIC% and temporary
// folders.
#include <utility>

#include "platform/platform.h"
#include "runtime/discovery.h"

namespace carafe {

namespace {

constexpr std::uint32_t NAME_ROOM = 256;
constexpr std::uint32_t PATH_ROOM = 2048;

struct Root {
  platform::RegistryRoot root;
  const char* name;
  bool perUser;
};

const Root ROOTS[] = {
    {platform::RegistryRoot::MACHINE_64, "HKLM (64-bit view)", false},
    {platform::RegistryRoot::MACHINE_32, "HKLM (32-bit view)", false},
    {platform::RegistryRoot::USER_64, "HKCU (64-bit view)", true},
    {platform::RegistryRoot::USER_32, "HKCU (32-bit view)", true},
};

// Keys with one subkey per runtime, named by its version, holding valueName.
struct VersionKeys {
  const char* path;
  const char* valueName;
};

const VersionKeys VERSION_KEYS[] = {
    {"SOFTWARE\\JavaSoft\\Java Runtime Environment", "JavaHome"},
    {"SOFTWARE\\JavaSoft\\JDK", "JavaHome"},
    {"SOFTWARE\\JavaSoft\\Java Development Kit", "JavaHome"},
    {"SOFTWARE\\JavaSoft\\JRE", "JavaHome"},
    {"SOFTWARE\\SapMachine\\JDK", "JavaHome"},
    {"SOFTWARE\\Azul Systems\\Zulu", "InstallationPath"},
    {"SOFTWARE\\BellSoft\\Liberica", "InstallationPath"},
};

// The installers' ...\<JDK or JRE>\<version>\<virtual machine>\MSI keys, value Path.
const char* const MSI_VENDORS[] = {
    "SOFTWARE\\Eclipse Adoptium", "SOFTWARE\\AdoptOpenJDK", "SOFTWARE\\Eclipse Foundation",
    "SOFTWARE\\Microsoft",        "SOFTWARE\\Semeru",
};

const char* const VENDOR_FOLDERS[] = {
    "Java",
    "Eclipse Adoptium",
    "AdoptOpenJDK",
    "Eclipse Foundation",
    "Microsoft",
    "Zulu",
    "Amazon Corretto",
    "BellSoft",
    "Semeru",
    "SapMachine\\JDK",
};

std::vector<std::string> subkeys(platform::RegistryKey key) {
  std::vector<std::string> names;
  const std::uint32_t count = platform::registrySubkeyCount(key);
  for (std::uint32_t index = 0; index < count; ++index) {
    std::string name;
    if (platform::registryEnumerate(key, index, NAME_ROOM, name) == 0) names.push_back(name);
  }
  return names;
}

bool readValue(const Root& root, const std::string& path, const char* valueName,
               std::string& value) {
  platform::RegistryKey key = 0;
  if (platform::registryOpenAt(root.root, path, key) != 0) return false;
  const long read = platform::registryReadText(key, valueName, PATH_ROOM, value);
  platform::registryClose(key);
  return read == 0 && !value.empty();
}

std::vector<std::string> subkeysOf(const Root& root, const std::string& path) {
  platform::RegistryKey key = 0;
  if (platform::registryOpenAt(root.root, path, key) != 0) return {};
  std::vector<std::string> names = subkeys(key);
  platform::registryClose(key);
  return names;
}

// "zulu-17" names no version; its number is the family's.
std::string versionOfName(const std::string& name) {
  const std::size_t digit = name.find_first_of("0123456789");
  return digit == std::string::npos ? std::string() : name.substr(digit);
}

void findRegistered(RuntimeFinder& finder, const Root& root) {
  finder.perUser(root.perUser);
  for (const VersionKeys& keys : VERSION_KEYS) {
    const std::vector<std::string> names = subkeysOf(root, keys.path);
    if (!names.empty()) finder.place(std::string(root.name) + " " + keys.path);
    for (const std::string& name : names) {
      const std::string path = std::string(keys.path) + "\\" + name;
      std::string home;
      if (readValue(root, path, keys.valueName, home)) {
        finder.home(home, versionOfName(name), std::string(root.name) + " " + path);
      }
    }
  }
  for (const char* vendor : MSI_VENDORS) {
    for (const char* kind : {"JDK", "JRE"}) {
      const std::string kindPath = std::string(vendor) + "\\" + kind;
      const std::vector<std::string> versions = subkeysOf(root, kindPath);
      if (!versions.empty()) finder.place(std::string(root.name) + " " + kindPath);
      for (const std::string& version : versions) {
        const std::string versionPath = kindPath + "\\" + version;
        for (const std::string& machine : subkeysOf(root, versionPath)) {
          const std::string path = versionPath + "\\" + machine + "\\MSI";
          std::string home;
          if (readValue(root, path, "Path", home)) {
            finder.home(home, version, std::string(root.name) + " " + path);
          }
        }
      }
    }
  }
}

std::string environment(const char* name) {
  std::string value;
  return platform::environmentValue(name, value) ? value : std::string();
}

}  // namespace

void findWindowsRuntimes(RuntimeFinder& finder) {
  for (const Root& root : ROOTS) findRegistered(finder, root);

  // The environment and PATH are the user's to set.
  finder.perUser(true);
  for (const char* name : {"JAVA_HOME", "JDK_HOME"}) {
    const std::string home = environment(name);
    if (home.empty()) continue;
    finder.place(name);
    finder.home(home, std::string(), name, 1);
  }

  // Only a java.exe in a runtime's own bin folder names a runtime; Oracle's
  // javapath folder holds copies. The first java.exe on PATH is the default's.
  const std::string path = environment("PATH");
  if (!path.empty()) finder.place("PATH");
  bool first = true;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find(';', start);
    if (end == std::string::npos) end = path.size();
    std::string directory = path.substr(start, end - start);
    start = end + 1;
    if (directory.size() >= 2 && directory.front() == '"' && directory.back() == '"') {
      directory = directory.substr(1, directory.size() - 2);
    }
    while (!directory.empty() && directory.back() == '\\') directory.pop_back();
    if (directory.empty() || !platform::isFile(directory + "\\java.exe")) continue;
    const std::size_t cut = directory.rfind('\\');
    if (cut != std::string::npos) finder.home(directory.substr(0, cut), "", "PATH", first ? 2 : 0);
    first = false;
  }

  std::vector<std::pair<std::string, bool>> programFolders;  // folder, the user's own
  const std::string localPrograms = environment("LOCALAPPDATA");
  for (const std::string& folder :
       {environment("ProgramW6432"), environment("ProgramFiles"), environment("ProgramFiles(x86)"),
        localPrograms.empty() ? std::string() : localPrograms + "\\Programs"}) {
    if (folder.empty()) continue;
    bool seen = false;
    for (const auto& other : programFolders) seen = seen || other.first == folder;
    if (!seen) programFolders.emplace_back(folder, folder == localPrograms + "\\Programs");
  }
  for (const auto& folder : programFolders) {
    finder.perUser(folder.second);
    for (const char* vendor : VENDOR_FOLDERS) {
      finder.children(folder.first + "\\" + vendor, "", folder.first + "\\" + vendor);
    }
  }

  finder.perUser(true);
  const std::string profile = environment("USERPROFILE");
  if (!profile.empty()) finder.children(profile + "\\scoop\\apps", "\\current", "scoop");
  if (!profile.empty()) {
    for (const char* cache : {"\\.jdks", "\\.gradle\\jdks", "\\.jbang\\cache\\jdks"}) {
      finder.children(profile + cache, "", profile + cache);
    }
  }
}

}  // namespace carafe
