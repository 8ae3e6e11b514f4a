// The fake machine: in-memory files, directories, environment, current
// directory and registry, and the state that tests shape and read. The
// launcher's own ways to report and to start Java are in fake_platform.cpp.
#include <algorithm>

#include "core/settings.h"
#include "fake_platform.h"
#include "platform/environment_match.h"
#include "platform/file_access.h"
#include "runtime/default_lookup.h"
#include "runtime/discovery.h"

namespace carafe::platform {

using fake::state;

namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return text;
}

std::vector<std::string> openKeys;  // handle - 1 -> key path (lower case)

fake::FakeKey* keyOf(RegistryKey key) {
  if (key == 0 || key > openKeys.size()) return nullptr;
  auto found = state().registry.find(openKeys[key - 1]);
  return found == state().registry.end() ? nullptr : &found->second;
}

// Files open by descriptor: descriptor - 1 -> content and position.
struct OpenContent {
  std::string content;
  std::size_t position = 0;
  bool open = false;
};
std::vector<OpenContent> openContents;

}  // namespace

struct Search {
  std::vector<SearchMatch> matches;
  std::size_t next;
};

bool currentDirectory(std::string& directory) {
  if (!state().currentDirectoryReadable) return false;
  directory = state().currentDirectory;
  return true;
}

bool changeDirectory(const std::string& directory) {
  state().directoryChanges.push_back(directory);
  state().currentDirectory = directory;
  return true;
}

bool environmentValue(const std::string& name, std::string& value) {
  for (const std::string& entry : state().environment) {
    if (environmentEntryMatches(entry.c_str(), name, value)) return true;
  }
  return false;
}

void setEnvironmentValue(const std::string& name, const std::string& value) {
  std::vector<std::string>& environment = state().environment;
  std::string ignored;
  for (std::string& entry : environment) {
    if (environmentEntryMatches(entry.c_str(), name, ignored)) {
      entry = name + "=" + value;
      return;
    }
  }
  environment.push_back(name + "=" + value);
}

int openReadable(const std::string& path, std::string& identity, std::string& errorText,
                 FileRefusal* refusal, std::uint64_t maxSize) {
  auto error = state().openErrors.find(path);
  if (error != state().openErrors.end()) {
    errorText = error->second;
    return -1;
  }
  auto found = state().files.find(path);
  if (found == state().files.end()) {
    errorText = "No such file or directory";
    return -1;
  }
  if (maxSize != 0 && found->second.size() > maxSize) {
    errorText = "File too large";
    if (refusal != nullptr) *refusal = FileRefusal::TOO_LARGE;
    return -1;
  }
  auto alias = state().identities.find(path);
  identity = alias == state().identities.end() ? path : alias->second;
  ++state().filesOpen;
  openContents.push_back({found->second, 0, true});
  return static_cast<int>(openContents.size());
}

std::size_t readSome(int descriptor, char* buffer, std::size_t size) {
  OpenContent& file = openContents.at(static_cast<std::size_t>(descriptor) - 1);
  // Small reads, so that lines cross the reader's buffer boundaries.
  const std::size_t count = std::min({size, file.content.size() - file.position, std::size_t{7}});
  std::copy_n(file.content.data() + file.position, count, buffer);
  file.position += count;
  return count;
}

void closeReadable(int descriptor) {
  OpenContent& file = openContents.at(static_cast<std::size_t>(descriptor) - 1);
  if (file.open) --state().filesOpen;
  file = OpenContent();
}

bool isFile(const std::string& path) { return state().files.count(path) != 0; }

bool sameFile(const std::string& first, const std::string& second) {
  const auto identity = [](const std::string& path) {
    const auto alias = state().identities.find(path);
    return alias == state().identities.end() ? path : alias->second;
  };
  return identity(first) == identity(second);
}

std::string legacyTextToUtf8(const std::string& text) {
  if (!state().legacyCodePage) return text;
  std::string converted;  // Latin-1, which Windows-1252 matches for these tests
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      converted += c;
    } else {
      converted += static_cast<char>(0xC0 | (byte >> 6));
      converted += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return converted;
}

Search* searchStart(const std::string& directory, const std::string& extension, SearchMatch& first,
                    std::string*) {
  state().searchedDirectories.push_back(directory);
  auto found = state().directories.find(directory);
  if (found == state().directories.end()) return nullptr;
  auto* search = new Search{{}, 1};
  const std::string ending = lower(extension);
  for (const SearchMatch& match : found->second) {
    const std::string name = lower(match.name);
    if (name.size() >= ending.size() &&
        name.compare(name.size() - ending.size(), ending.size(), ending) == 0) {
      search->matches.push_back(match);
    }
  }
  if (search->matches.empty()) {
    delete search;
    return nullptr;
  }
  ++state().searchesOpen;
  first = search->matches[0];
  return search;
}

bool searchNext(Search* search, SearchMatch& match) {
  if (search->next >= search->matches.size()) return false;
  match = search->matches[search->next++];
  return true;
}

void searchClose(Search* search) {
  --state().searchesOpen;
  delete search;
}

namespace {

bool contains(const std::vector<std::string>& list, const std::string& text) {
  return std::find(list.begin(), list.end(), text) != list.end();
}

}  // namespace

FileFacts fileFacts(const std::string& path) {
  FileFacts facts;
  const auto file = state().files.find(path);
  facts.isRegular = file != state().files.end();
  facts.isDirectory = !facts.isRegular && state().directories.count(path) != 0;
  facts.exists = facts.isRegular || facts.isDirectory;
  if (facts.isRegular) facts.size = file->second.size();
  const auto time = state().modified.find(path);
  if (time != state().modified.end()) facts.modified = time->second;
  facts.othersMayWrite = contains(state().othersWritable, path);
  return facts;
}

long registryOpen(const std::string& path, RegistryKey& key) {
  if (state().registry.count(lower(path)) == 0) return 2;
  openKeys.push_back(lower(path));
  key = openKeys.size();
  ++state().keysOpen;
  return 0;
}

long registryReadText(RegistryKey key, const std::string& valueName, std::uint32_t room,
                      std::string& text) {
  fake::FakeKey* data = keyOf(key);
  if (data == nullptr) return 6;
  auto found = data->values.find(lower(valueName));
  if (found == data->values.end()) return 2;
  const std::string value = found->second.substr(0, found->second.find('\0'));
  if (found->second.size() + 1 > room) return 234;
  text = value;
  return 0;
}

std::uint32_t registrySubkeyCount(RegistryKey key) {
  fake::FakeKey* data = keyOf(key);
  return data == nullptr ? 0 : static_cast<std::uint32_t>(data->subkeys.size());
}

long registryEnumerate(RegistryKey key, std::uint32_t index, std::uint32_t room,
                       std::string& name) {
  fake::FakeKey* data = keyOf(key);
  if (data == nullptr || index >= data->subkeys.size()) return 259;
  if (data->subkeys[index].size() + 1 > room) return 234;
  name = data->subkeys[index];
  return 0;
}

void registryClose(RegistryKey key) {
  if (keyOf(key) != nullptr) --state().keysOpen;
}

long registryOpenAt(RegistryRoot root, const std::string& path, RegistryKey& key) {
  ++state().widerRegistryOpens;
  const std::string full = fake::rootPrefix(root) + lower(path);
  if (state().registry.count(full) == 0) return 2;
  openKeys.push_back(full);
  key = openKeys.size();
  ++state().keysOpen;
  return 0;
}

std::string resolvedPath(const std::string& path) {
  auto link = state().links.find(path);
  if (link != state().links.end()) return link->second;
  return state().files.count(path) != 0 || state().directories.count(path) != 0 ? path
                                                                                : std::string();
}

}  // namespace carafe::platform

namespace carafe::fake {

FakeState& state() {
  static FakeState current;
  return current;
}

void reset(const platform::Conventions& conventions) {
  state() = FakeState();
  state().conventions = &conventions;
  if (&conventions == &platform::POSIX_CONVENTIONS) state().currentDirectory = "/work";
  platform::openKeys.clear();
  platform::openContents.clear();
  resetLaunchSettings();
  forgetDiscovery();
}

void addRuntimeBase() { state().registry[platform::lower(JRE_BASE_KEY)]; }

void addRuntime(const std::string& name, const std::string& home) {
  addRuntimeBase();
  state().registry[platform::lower(JRE_BASE_KEY)].subkeys.push_back(name);
  state().registry[platform::lower(versionKeyPath(name))].values["javahome"] = home;
}

void setCurrentVersion(const std::string& version) {
  addRuntimeBase();
  state().registry[platform::lower(JRE_BASE_KEY)].values["currentversion"] = version;
}

FakeKey& registryKey(const std::string& path) { return state().registry[platform::lower(path)]; }

std::string rootPrefix(platform::RegistryRoot root) {
  switch (root) {
    case platform::RegistryRoot::MACHINE_64:
      return "machine64\\";
    case platform::RegistryRoot::MACHINE_32:
      return "machine32\\";
    case platform::RegistryRoot::USER_64:
      return "user64\\";
    case platform::RegistryRoot::USER_32:
      return "user32\\";
  }
  return std::string();
}

FakeKey& registryKeyAt(platform::RegistryRoot root, const std::string& path) {
  return state().registry[rootPrefix(root) + platform::lower(path)];
}

void addJava(const std::string& home, const std::string& version) {
  const platform::Conventions& conventions = *state().conventions;
  const std::string bin = home + conventions.javaBinDirectory;
  state().files[bin + conventions.javaExecutable] = "";
  state().files[bin + conventions.javaConsoleExecutable] = "";
  if (!version.empty()) {
    state().files[home + conventions.directorySeparator + "release"] =
        "IMPLEMENTOR=\"Test\"\nJAVA_VERSION=\"" + version + "\"\n";
  }
  // The home is listed in its parent directory.
  const std::size_t cut = home.rfind(conventions.directorySeparator);
  if (cut != std::string::npos && cut > 0) {
    auto& entries = state().directories[home.substr(0, cut)];
    const std::string name = home.substr(cut + 1);
    bool listed = false;
    for (const platform::SearchMatch& entry : entries) listed = listed || entry.name == name;
    if (!listed) entries.push_back({name, true});
  }
}

}  // namespace carafe::fake
