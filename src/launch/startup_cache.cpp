#include "launch/startup_cache.h"

#include <algorithm>
#include <cstdio>

#include "config/reader.h"
#include "core/notice.h"
#include "core/settings.h"
#include "launch/argument_file.h"
#include "launch/compose.h"
#include "launch/inside.h"
#include "platform/file_access.h"
#include "runtime/runtime_view.h"
#include "runtime/versions.h"

namespace carafe {

namespace {

// Changes whenever the files' meaning or naming changes, so that a cache
// written by another revision of the rules is never read.
const char* const CACHE_REVISION = "carafe startup cache 2";

const char* const ARCHIVE_SUFFIX = ".jsa";
const char* const AOT_SUFFIX = ".aot";
const char* const PART_SUFFIX = ".part";
const char* const REFUSED_SUFFIX = ".refused";
// Where the system cannot watch the background assembly, it writes this,
// and a later start takes it into place.
const char* const ASSEMBLED_SUFFIX = ".assembled";

// What each kind's cache file and its recording are named with.
const char* cacheSuffix(CacheKind kind) {
  return kind == CacheKind::AHEAD_OF_TIME ? AOT_SUFFIX : ARCHIVE_SUFFIX;
}

const char* recordingSuffix(CacheKind kind) {
  return kind == CacheKind::AHEAD_OF_TIME ? ".aotconf.part" : ".classes.part";
}

// A release file is a few hundred bytes; anything far larger is not one.
constexpr std::uint64_t MAX_RELEASE_SIZE = 64 * 1024;
constexpr std::size_t MAX_FOLDER_NAME = 64;
// Caches kept per application: the one in use and the one before it.
constexpr std::size_t KEPT_CACHES = 2;

bool beginsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

char separator() { return platform::conventions().directorySeparator; }

bool isSeparator(char c) { return c == '/' || c == separator(); }

std::string joined(const std::string& directory, const std::string& name) {
  if (directory.empty() || isSeparator(directory.back())) return directory + name;
  return directory + separator() + name;
}

// The runtime home of the chosen Java command, which names its program by an
// absolute path; empty where it is no runtime's.
std::string homeOfJavaPath(const std::string& javaPath) {
  std::string program = javaPath;
  if (!program.empty() && program[0] == '"') {
    program = program.substr(1, program.find('"', 1) - 1);
  }
  if (!platform::isAbsolutePath(platform::conventions(), program)) return std::string();
  return homeOf(program);
}

void addWord(std::string& text, const std::string& word) {
  text += word;
  text += '\n';
}

std::string decimal(std::uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(value));
  return buffer;
}

// The classpath entries of the command, each as the file system knows it:
// quotes dropped, relative ones taken from the launcher's directory, where
// Java starts.
std::vector<CachedEntry> classpathOf(const LaunchSettings& settings) {
  std::vector<CachedEntry> entries;
  const char listSeparator = platform::conventions().classpathSeparator;
  for (const TextList* list : {&settings.vmPaths, &settings.vmJars}) {
    for (const std::string& entry : list->entries) {
      std::string text;
      for (char c : entry) {
        if (c != '"') text += c;
      }
      std::size_t start = 0;
      for (;;) {
        const std::size_t end = text.find(listSeparator, start);
        std::string path = text.substr(start, end == std::string::npos ? end : end - start);
        if (!path.empty()) {
          if (!platform::isAbsolutePath(platform::conventions(), path)) {
            path = joined(settings.workingDir, path);
          }
          entries.push_back({path, platform::fileFacts(path)});
        }
        if (end == std::string::npos) break;
        start = end + 1;
      }
    }
  }
  return entries;
}

// Options that already decide about Java's archives: the configuration's
// own choice stands.
bool decidesArchives(const std::string& option) {
  return beginsWith(option, "-Xshare:") || option.find("SharedArchive") != std::string::npos ||
         option.find("ArchiveClassesAtExit") != std::string::npos ||
         option.find("SharedClassListFile") != std::string::npos ||
         option.find("DumpLoadedClassList") != std::string::npos ||
         option.find("UseSharedSpaces") != std::string::npos || beginsWith(option, "-XX:AOT") ||
         beginsWith(option, "-XX:+AOT") || beginsWith(option, "-XX:-AOT");
}

struct CacheFile {
  std::string name;
  std::int64_t modified = 0;
};

// The cache files of the folder (names ending in suffix), a valid one named
// digest, its size and suffix first found into used.
std::vector<CacheFile> cacheFiles(const std::string& folder, const char* suffix,
                                  const std::string& digest, std::string* used,
                                  std::string* blocked = nullptr) {
  std::vector<CacheFile> files;
  platform::SearchMatch match;
  platform::Search* search = platform::searchStart(folder, suffix, match);
  if (search == nullptr) return files;
  do {
    if (!endsWith(match.name, suffix)) continue;
    const std::string path = joined(folder, match.name);
    const platform::FileFacts facts = platform::fileFacts(path);
    // A folder in a cache's place would keep the cache from being taken
    // into place at every start: no cache for that digest, then.
    if (facts.isDirectory && blocked != nullptr && beginsWith(match.name, digest + "-")) {
      *blocked = path;
    }
    if (!facts.isRegular) continue;
    files.push_back({match.name, facts.modified});
    // A cache whose size is not the one it was written with is not read:
    // a truncated archive crashes some runtimes.
    if (used != nullptr && used->empty() &&
        match.name == digest + "-" + decimal(facts.size) + suffix) {
      *used = path;
    }
  } while (platform::searchNext(search, match));
  platform::searchClose(search);
  return files;
}

// Temporary files that a start killed before it could clean up left behind:
// those older than a week (a recording is written when its application
// ends, and recreated then where it is gone).
constexpr std::int64_t ABANDONED_AFTER = 7 * 24 * 60 * 60;

void removeAbandoned(const std::string& folder, std::int64_t now) {
  std::vector<std::string> abandoned;
  platform::SearchMatch match;
  platform::Search* search = platform::searchStart(folder, PART_SUFFIX, match);
  if (search == nullptr) return;
  do {
    const std::string path = joined(folder, match.name);
    const platform::FileFacts facts = platform::fileFacts(path);
    if (facts.isRegular && facts.modified + ABANDONED_AFTER < now) abandoned.push_back(path);
  } while (platform::searchNext(search, match));
  platform::searchClose(search);
  for (const std::string& path : abandoned) platform::removeFile(path);
}

void removeOlderCaches(const std::string& folder, const char* suffix, const std::string& kept) {
  std::vector<CacheFile> files = cacheFiles(folder, suffix, std::string(), nullptr);
  std::sort(files.begin(), files.end(), [&kept](const CacheFile& a, const CacheFile& b) {
    if ((a.name == kept) != (b.name == kept)) return a.name == kept;
    return a.modified > b.modified;
  });
  for (std::size_t i = KEPT_CACHES; i < files.size(); ++i) {
    platform::removeFile(joined(folder, files[i].name));
  }
}

// Where the system cannot watch the assembly, the cache it wrote is taken
// into place by a later start; the system refuses to move a file that the
// assembling Java still writes.
std::string adoptAssembled(const std::string& folder, const std::string& digest, CacheKind kind) {
  const std::string assembled = joined(folder, digest + ASSEMBLED_SUFFIX);
  const platform::FileFacts facts = platform::fileFacts(assembled);
  if (!facts.isRegular || facts.size == 0) return std::string();
  const std::string target = joined(folder, digest + "-" + decimal(facts.size) + cacheSuffix(kind));
  if (!platform::replaceFile(assembled, target)) return std::string();
  // The recording it was assembled from is of no more use.
  platform::SearchMatch match;
  platform::Search* search = platform::searchStart(folder, PART_SUFFIX, match);
  if (search != nullptr) {
    do {
      if (beginsWith(match.name, digest + ".") && endsWith(match.name, recordingSuffix(kind))) {
        platform::removeFile(joined(folder, match.name));
      }
    } while (platform::searchNext(search, match));
    platform::searchClose(search);
  }
  return target;
}

std::string refused(StartupCache& cache, const std::string& why) {
  cache.state = "refused: " + why;
  cache.kind = CacheKind::NONE;
  return cache.state;
}

// The assembly: the same runtime, options and classpath, no main class.
std::string assemblyCommand(const StartupCache& cache, const std::string& cacheFile) {
  const LaunchSettings saved = launchSettings;
  LaunchSettings& settings = launchSettings;
  if (cache.kind == CacheKind::AHEAD_OF_TIME) {
    settings.vmParams.entries = {"-XX:AOTMode=create",
                                 commandWord("-XX:AOTConfiguration=" + cache.made),
                                 commandWord("-XX:AOTCache=" + cacheFile)};
  } else {
    settings.vmParams.entries = {"-Xshare:dump",
                                 commandWord("-XX:SharedClassListFile=" + cache.made),
                                 commandWord("-XX:SharedArchiveFile=" + cacheFile)};
  }
  settings.vmParams.entries.insert(settings.vmParams.entries.end(), cache.configured.begin(),
                                   cache.configured.end());
  settings.mainClass = std::string();
  settings.arguments.entries.clear();
  settings.commandLineArguments = 0;
  std::string command = composeCommandLine();
  launchSettings = saved;
  return command;
}

void settle(StartupCache& cache) {
  const LaunchSettings& settings = launchSettings;
  const std::string home = homeOfJavaPath(settings.javaPath.value_or(std::string()));
  if (home.empty())
    return (void)refused(cache, "the Java command is not in a runtime's bin directory");
  std::string release;
  std::string identity;
  std::string error;
  if (!platform::readWholeFile(joined(home, "release"), release, identity, error, nullptr,
                               MAX_RELEASE_SIZE)) {
    return (void)refused(
        cache, "the runtime's version is not known: " + joined(home, "release") + ": " + error);
  }
  const std::string version = releaseVersion(release);
  const int feature = version.empty() ? 0 : featureVersion(version);
  if (feature <= 0) return (void)refused(cache, "the runtime's version is not known");
  cache.kind = cacheKindFor(feature);
  if (cache.kind == CacheKind::NONE) {
    return (void)refused(cache, "Java " + version + " keeps no class data between runs");
  }
  for (const std::string& option : settings.vmParams.entries) {
    if (decidesArchives(option))
      return (void)refused(cache, "the option " + option + " decides it");
  }
  if (settings.workingDirectory) {
    return (void)refused(cache, "the classpath holds the launcher's directory (workingDirectory)");
  }
  const std::vector<CachedEntry> classpath = classpathOf(settings);
  const std::string why = classpathRefusal(classpath);
  if (!why.empty()) return (void)refused(cache, why);

  std::string baseWhy;
  const std::string base = cacheFolderBase(baseWhy);
  if (base.empty()) return (void)refused(cache, baseWhy);
  cache.folder = joined(
      base, cacheFolderName(settings.appName.value_or(std::string()), settings.launcherName));
  if (!platform::makePrivateDirectory(cache.folder) ||
      platform::fileFacts(cache.folder).othersMayWrite) {
    return (void)refused(cache, cache.folder + " is no folder of the user's own");
  }
  cache.configured = settings.vmParams.entries;
  cache.digest = cacheDigest(cache.kind, home, release, classpath,
                             settings.mainClass.value_or(std::string()), cache.configured);
  const bool aot = cache.kind == CacheKind::AHEAD_OF_TIME;
  const char* suffix = cacheSuffix(cache.kind);
  std::string blocked;
  cache.stale = cacheFiles(cache.folder, suffix, cache.digest, &cache.used, &blocked).size();
  if (!cache.used.empty()) --cache.stale;
  if (cache.used.empty() && !blocked.empty()) {
    return (void)refused(cache, blocked + " is a folder");
  }
  if (cache.used.empty() && !platform::backgroundTakesIntoPlace()) {
    cache.used = adoptAssembled(cache.folder, cache.digest, cache.kind);
  }
  if (!cache.used.empty()) {
    cache.state = "used: " + cache.used;
    cache.options = {commandWord((aot ? "-XX:AOTCache=" : "-XX:SharedArchiveFile=") + cache.used),
                     "-Xlog:cds=off"};
    if (aot) cache.options.push_back("-Xlog:aot=off");
    return;
  }
  if (platform::fileFacts(joined(cache.folder, cache.digest + REFUSED_SUFFIX)).exists) {
    return (void)refused(cache, "Java wrote no cache for this classpath before");
  }
  cache.made =
      platform::createUniqueFile(cache.folder, cache.digest + ".", recordingSuffix(cache.kind));
  if (cache.made.empty()) return (void)refused(cache, cache.folder + " cannot be written");
  cache.state = "made: " + cache.made;
  removeAbandoned(cache.folder, platform::fileFacts(cache.made).modified);
  if (aot) {
    // Recording while the application runs; the cache is assembled from the
    // recording after it ended. The virtual machine's own output about the
    // recording is kept from the application's.
    cache.options = {"-XX:AOTMode=record",
                     commandWord("-XX:AOTConfiguration=" + cache.made),
                     "-Xlog:cds=off",
                     "-Xlog:aot=off",
                     "-XX:+UnlockDiagnosticVMOptions",
                     "-XX:-DisplayVMOutput"};
  } else {
    // The list of the classes this run loads, from which an archive of them
    // all, the runtime's and the application's, is dumped after it ended:
    // such an archive starts sooner than one written at exit on top of the
    // runtime's own.
    cache.options = {commandWord("-XX:DumpLoadedClassList=" + cache.made), "-Xlog:cds=off"};
  }
}

}  // namespace

CacheKind cacheKindFor(int featureVersion) {
  if (featureVersion >= 25) return CacheKind::AHEAD_OF_TIME;
  if (featureVersion >= 13) return CacheKind::CLASS_ARCHIVE;
  return CacheKind::NONE;
}

std::string classpathRefusal(const std::vector<CachedEntry>& classpath) {
  if (classpath.empty()) return "the classpath is empty";
  for (const CachedEntry& entry : classpath) {
    if (!entry.path.empty() && entry.path.back() == '*') {
      return "the classpath entry " + entry.path + " names every jar of a directory";
    }
    if (entry.facts.isDirectory) return "the classpath entry " + entry.path + " is a directory";
    if (!entry.facts.isRegular) return "the classpath entry " + entry.path + " is missing";
  }
  return std::string();
}

std::string cacheDigest(CacheKind kind, const std::string& runtimeHome,
                        const std::string& releaseText, const std::vector<CachedEntry>& classpath,
                        const std::string& mainClass, const std::vector<std::string>& options) {
  std::string text;
  addWord(text, CACHE_REVISION);
  addWord(text, decimal(static_cast<std::uint64_t>(kind)));
  addWord(text, runtimeHome);
  addWord(text, decimal(releaseText.size()));
  text += releaseText;
  addWord(text, decimal(classpath.size()));
  for (const CachedEntry& entry : classpath) {
    addWord(text, entry.path);
    addWord(text, decimal(entry.facts.size));
    addWord(text, decimal(static_cast<std::uint64_t>(entry.facts.modified)));
  }
  addWord(text, mainClass);
  addWord(text, decimal(options.size()));
  for (const std::string& option : options) addWord(text, option);
  // FNV-1a, 64 bits: a name, not a defence; the inputs are the user's own.
  std::uint64_t hash = 14695981039346656037ULL;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
  return digits;
}

std::string cacheFolderBase(std::string& why) {
  const platform::Conventions& conventions = platform::conventions();
  const bool windows = conventions.directorySeparator == '\\';
  std::string base;
  std::string value;
  if (windows) {
    if (platform::environmentValue("LOCALAPPDATA", value) &&
        platform::isAbsolutePath(conventions, value)) {
      base = value;
    }
  } else if (platform::environmentValue("XDG_CACHE_HOME", value) &&
             platform::isAbsolutePath(conventions, value)) {
    base = value;
  } else if (platform::environmentValue("HOME", value) &&
             platform::isAbsolutePath(conventions, value) && value != "/") {
    base = joined(value, ".cache");
    platform::makePrivateDirectory(base);
  }
  if (base.empty()) {
    why =
        windows ? "LOCALAPPDATA names no folder" : "neither XDG_CACHE_HOME nor HOME names a folder";
    return base;
  }
  const platform::FileFacts facts = platform::fileFacts(base);
  if (!facts.isDirectory) {
    why = base + " is no folder";
    return std::string();
  }
  if (facts.othersMayWrite) {
    why = base + " can be written by other users";
    return std::string();
  }
  return base;
}

std::string cacheFolderName(const std::string& appName, const std::string& launcherName) {
  const std::string& source = appName.empty() ? launcherName : appName;
  std::string name;
  for (char c : source) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.' || c == ' ';
    if (name.size() < MAX_FOLDER_NAME) name += plain ? c : '_';
  }
  // No hidden, relative or trailing-blank names ("..", ". ", which Windows
  // drops).
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
  while (!name.empty() && name[0] == '.') name.erase(0, 1);
  return name.empty() ? "carafe" : name;
}

namespace {

StartupCache& lastCache() {
  static StartupCache cache;
  return cache;
}

}  // namespace

const StartupCache& lastStartupCache() { return lastCache(); }

StartupCache prepareStartupCache() {
  StartupCache cache;
  LaunchSettings& settings = launchSettings;
  lastCache() = cache;
  if (!settings.startupCache || *settings.startupCache != STARTUP_CACHE_ON) return cache;
  settle(cache);
  lastCache() = cache;
  traceDebug("Startup cache " + cache.state + "\n");
  if (cache.kind == CacheKind::NONE) return cache;
  std::vector<std::string>& options = settings.vmParams.entries;
  options.insert(options.begin(), cache.options.begin(), cache.options.end());
  return cache;
}

void finishStartupCache(const StartupCache& cache, const platform::ProcessOutcome& outcome) {
  if (cache.made.empty()) return;
  const platform::FileFacts facts = platform::fileFacts(cache.made);
  // A Java that crashed or was killed may have left a partial file; one that
  // ended by its own exit (whatever its code) wrote it whole.
  if (!outcome.created || outcome.abnormalEnd || outcome.aborted || !facts.isRegular ||
      facts.size == 0) {
    platform::removeFile(cache.made);
    if (outcome.created && !outcome.abnormalEnd && !outcome.aborted) {
      // Java refused to write one (a jar's manifest may name a directory):
      // later starts do not ask again for the same classpath.
      const std::string marker = joined(cache.folder, cache.digest + REFUSED_SUFFIX);
      const std::string written = platform::createUniqueFile(cache.folder, cache.digest + ".",
                                                             REFUSED_SUFFIX + std::string(".part"));
      if (!written.empty() && !platform::replaceFile(written, marker))
        platform::removeFile(written);
    }
    traceDebug("Startup cache not made: Java wrote none\n");
    return;
  }
  // Another start of the same application may have made one meanwhile.
  const char* suffix = cacheSuffix(cache.kind);
  std::string madeMeanwhile;
  cacheFiles(cache.folder, suffix, cache.digest, &madeMeanwhile);
  if (!madeMeanwhile.empty()) {
    platform::removeFile(cache.made);
    return;
  }
  const bool watched = platform::backgroundTakesIntoPlace();
  const std::string assembled = watched
                                    ? platform::createUniqueFile(cache.folder, cache.digest + ".",
                                                                 std::string(suffix) + PART_SUFFIX)
                                    : joined(cache.folder, cache.digest + ASSEMBLED_SUFFIX);
  if (assembled.empty() ||
      !platform::startInBackground(assemblyCommand(cache, assembled), watched ? assembled : "",
                                   joined(cache.folder, cache.digest + "-"), suffix,
                                   watched ? cache.made : "")) {
    platform::removeFile(cache.made);
    if (watched && !assembled.empty()) platform::removeFile(assembled);
    return;
  }
  traceDebug("Startup cache assembled in the background: " + assembled + "\n");
  removeOlderCaches(cache.folder, suffix, std::string());
}

}  // namespace carafe
