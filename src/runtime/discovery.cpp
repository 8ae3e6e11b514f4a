#include "runtime/discovery.h"

#include <algorithm>
#include <memory>

#include "core/notice.h"
#include "platform/file_access.h"
#include "platform/platform.h"

namespace carafe {

namespace {

// A release file is a few hundred bytes; more is not read.
constexpr std::size_t RELEASE_ROOM = 64 * 1024;

std::unique_ptr<Discovery>& cached() {
  static std::unique_ptr<Discovery> discovery;
  return discovery;
}

// The machine's own file access, not the launcher's configuration files: what
// is read here is no configuration.
std::string fileHead(const std::string& path) {
  std::string identity;
  std::string error;
  const int descriptor = platform::openReadable(path, identity, error);
  if (descriptor < 0) return std::string();
  std::string text;
  char buffer[4096];
  while (text.size() < RELEASE_ROOM) {
    const std::size_t count = platform::readSome(descriptor, buffer, sizeof buffer);
    if (count == 0) break;
    text.append(buffer, count);
  }
  platform::closeReadable(descriptor);
  return text;
}

// The identity of a file, or empty when it cannot be opened.
std::string fileIdentity(const std::string& path) {
  std::string identity;
  std::string error;
  const int descriptor = platform::openReadable(path, identity, error);
  if (descriptor < 0) return std::string();
  platform::closeReadable(descriptor);
  return identity;
}

bool endsWithBin(const std::string& directory, char separator) {
  const std::size_t cut = directory.rfind(separator);
  if (cut == std::string::npos || directory.size() - cut != 4) return false;
  std::string last = directory.substr(cut + 1);
  for (char& c : last) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return last == "bin";
}

}  // namespace

void RuntimeFinder::place(const std::string& description) {
  discovery_.places.push_back({description, true, {}});
  traceDebug(formatText("searching %s\n", description.c_str()));
}

void RuntimeFinder::note(const std::string& what) {
  if (!discovery_.places.empty()) discovery_.places.back().found.push_back(what);
}

void RuntimeFinder::home(const std::string& directory, const std::string& version,
                         const std::string& source, int defaultRank) {
  const platform::Conventions& conventions = platform::conventions();
  const char separator = conventions.directorySeparator;
  std::string home = directory;
  // "C:\Java\jdk\" and "C:\Java\jdk\bin" name the runtime at C:\Java\jdk.
  while (home.size() > 1 && (home.back() == separator || home.back() == '/')) home.pop_back();
  const std::string bin = conventions.javaBinDirectory;
  if (home.empty()) return;
  if (!platform::isFile(home + bin + conventions.javaConsoleExecutable) &&
      endsWithBin(home, separator)) {
    home.resize(home.size() - 4);
  }
  const std::string java = home + bin + conventions.javaConsoleExecutable;
  const std::string program = home + bin + conventions.javaExecutable;
  if (!platform::isFile(java) || !platform::isFile(program)) {
    note(home + ": no " + (platform::isFile(java) ? program : java));
    return;
  }
  const std::string identity = fileIdentity(java);
  if (identity.empty()) return;

  std::string found = releaseVersion(fileHead(home + separator + "release"));
  if (found.empty() && usableVersion(version)) found = version;
  if (found.empty()) {
    note(home + ": no release file that names its version");
    return;
  }

  const std::size_t index = static_cast<std::size_t>(
      std::find(identities_.begin(), identities_.end(), identity) - identities_.begin());
  if (index == identities_.size()) {
    identities_.push_back(identity);
    discovery_.runtimes.push_back({home, found, source, perUser_});
    traceDebug(
        formatText("found runtime %s at %s (%s)\n", found.c_str(), home.c_str(), source.c_str()));
  } else if (!perUser_) {
    discovery_.runtimes[index].perUser = false;  // a machine-wide place holds it too
  }
  note("Java " + found + " at " + home + (index < identities_.size() - 1 ? ", found before" : ""));
  if (defaultRank > 0 && (defaultRank_ == 0 || defaultRank < defaultRank_)) {
    defaultRank_ = defaultRank;
    discovery_.defaultHome = discovery_.runtimes[index].home;
  }
}

void RuntimeFinder::children(const std::string& parent, const std::string& suffix,
                             const std::string& source) {
  platform::SearchMatch match;
  platform::Search* search = platform::searchStart(parent, "", match);
  if (search == nullptr) {
    discovery_.places.push_back({parent, false, {}});
    return;
  }
  place(parent);
  std::vector<std::string> names;
  do {
    if (match.isDirectory && match.name != "." && match.name != "..") names.push_back(match.name);
  } while (platform::searchNext(search, match));
  platform::searchClose(search);
  std::sort(names.begin(), names.end());
  const char separator = platform::conventions().directorySeparator;
  for (const std::string& name : names) {
    home(parent + separator + name + suffix, std::string(), source);
  }
}

std::string releaseVersionAt(const std::string& home) {
  return releaseVersion(fileHead(home + platform::conventions().directorySeparator + "release"));
}

Discovery& discoverRuntimes() {
  std::unique_ptr<Discovery>& discovery = cached();
  if (discovery) return *discovery;
  discovery = std::make_unique<Discovery>();
  RuntimeFinder finder(*discovery);
  if (platform::conventions().windowsRuntimePlaces) {
    findWindowsRuntimes(finder);
  } else {
    findPosixRuntimes(finder);
  }
  // Of two runtimes of one version, the view keeps the first: the machine's
  // before the user's own.
  std::vector<InstalledRuntime> ranked = discovery->runtimes;
  std::stable_partition(ranked.begin(), ranked.end(),
                        [](const InstalledRuntime& runtime) { return !runtime.perUser; });
  discovery->view = buildRuntimeView(ranked, discovery->defaultHome);
  return *discovery;
}

bool runtimesDiscovered() { return cached() != nullptr; }

void forgetDiscovery() { cached().reset(); }

}  // namespace carafe
