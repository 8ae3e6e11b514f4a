#include "fake_platform.h"

#include <algorithm>

#include "core/run.h"
#include "core/settings.h"
#include "platform/environment_match.h"
#include "runtime/default_lookup.h"

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

}  // namespace

struct File {
  std::string content;
  std::size_t position;
};

struct Search {
  std::vector<SearchMatch> matches;
  std::size_t next;
};

const Conventions& conventions() { return *state().conventions; }

int showNotice(const std::string& caption, const std::string& text, NoticeStyle style) {
  state().notices.push_back({caption, text, style});
  state().events.push_back("notice " + caption + ": " + text);
  if (style != NoticeStyle::ERROR_QUESTION) return 1;
  if (state().answers.empty()) return ANSWER_NO;
  const int answer = state().answers.front();
  state().answers.pop_front();
  return answer;
}

void writeTrace(const std::string& text) {
  state().traceLines += text;
  state().events.push_back("trace " + text);
}

void writeStandardError(const std::string& text) {
  state().standardError += text;
  state().events.push_back("err " + text);
}

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

File* openFile(const std::string& path, std::string& identity, std::string& errorText) {
  auto error = state().openErrors.find(path);
  if (error != state().openErrors.end()) {
    errorText = error->second;
    return nullptr;
  }
  auto found = state().files.find(path);
  if (found == state().files.end()) {
    errorText = "No such file or directory";
    return nullptr;
  }
  auto alias = state().identities.find(path);
  identity = alias == state().identities.end() ? path : alias->second;
  ++state().filesOpen;
  return new File{found->second, 0};
}

std::size_t readFile(File* file, char* buffer, std::size_t size) {
  // Small reads, so that lines cross the reader's buffer boundaries.
  const std::size_t count = std::min({size, file->content.size() - file->position, std::size_t{7}});
  std::copy_n(file->content.data() + file->position, count, buffer);
  file->position += count;
  return count;
}

void closeFile(File* file) {
  --state().filesOpen;
  delete file;
}

bool isFile(const std::string& path) { return state().files.count(path) != 0; }

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

Search* searchStart(const std::string& directory, const std::string& extension,
                    SearchMatch& first) {
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

ProcessOutcome runProcess(const std::string& commandLine) {
  state().processes.push_back(commandLine);
  return state().processOutcome;
}

void openUrl(const std::string& url) { state().urls.push_back(url); }

void exitProcess(int code) { throw fake::FakeExit{code}; }

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
  resetLaunchSettings();
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

int runLauncher(const std::vector<std::string>& words) {
  std::vector<const char*> vector;
  for (const std::string& word : words) vector.push_back(word.c_str());
  vector.push_back(nullptr);
  try {
    return launcherMain(static_cast<int>(words.size()), vector.data());
  } catch (const FakeExit& exit) {
    return exit.code;
  }
}

}  // namespace carafe::fake
