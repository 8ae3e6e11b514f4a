// A platform for unit tests: it records every notice, trace line and process
// start, answers questions from a script, and serves an in-memory registry,
// environment and file tree. Ending the process throws FakeExit.
#pragma once

#include <deque>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace carafe::fake {

struct Notice {
  std::string caption;
  std::string text;
  platform::NoticeStyle style;
  bool operator==(const Notice& other) const {
    return caption == other.caption && text == other.text && style == other.style;
  }
};

// Shown in test failures as: caption | text | style.
inline std::ostream& operator<<(std::ostream& out, const Notice& notice) {
  return out << '{' << notice.caption << " | " << notice.text << " | "
             << static_cast<unsigned>(notice.style) << '}';
}

// Thrown by exitProcess.
struct FakeExit {
  int code;
};

struct FakeKey {
  std::map<std::string, std::string> values;  // value name -> text
  std::vector<std::string> subkeys;           // in enumeration order
};

struct FakeState {
  const platform::Conventions* conventions = &platform::WINDOWS_CONVENTIONS;

  std::vector<Notice> notices;
  std::deque<int> answers;  // answers to questions, in order; No when empty
  std::string traceLines;   // what the launcher traced (standard output on Windows)
  std::string standardError;
  std::vector<std::string> events;  // "notice Caption: text", "trace line", "err line", in order

  std::string currentDirectory = "D:\\Work";
  bool currentDirectoryReadable = true;
  std::vector<std::string> directoryChanges;

  std::vector<std::string> environment;   // "NAME=value" entries
  std::vector<std::string> programFiles;  // what programFiles answers

  std::map<std::string, std::string> files;       // path -> content
  std::map<std::string, std::string> identities;  // path -> identity (default: the path)
  std::map<std::string, std::string> openErrors;  // path -> error text of a failed open
  bool legacyCodePage = false;  // lines that are not UTF-8 are converted as Latin-1
  int filesOpen = 0;

  // directory -> its entries in search order; names are filtered by extension.
  std::map<std::string, std::vector<platform::SearchMatch>> directories;
  std::vector<std::string> searchedDirectories;
  int searchesOpen = 0;

  std::map<std::string, FakeKey> registry;  // key path (lower case) -> key
  int keysOpen = 0;
  int widerRegistryOpens = 0;  // keys opened in a hive or view beyond the runtime registry
  std::map<std::string, std::string> links;      // path -> the path it resolves to
  std::map<std::string, std::int64_t> modified;  // path -> time of change (default 0)
  std::int64_t modifiedOfNewFiles = 0;           // the time of a file the launcher creates
  std::vector<std::string> othersWritable;       // paths that other users may change
  std::vector<std::string> unwritable;           // directories where nothing can be created
  std::vector<std::string> background;           // commands started in the background
  bool backgroundWatched = true;                 // what backgroundTakesIntoPlace answers
  // Java writes the archive or recording that its options name, this text.
  std::string javaWrites;

  std::vector<std::string> processes;  // command lines started
  platform::ProcessOutcome processOutcome{true, 0, 0, ""};
  std::vector<platform::JavaInside> inside;  // Java run inside the launcher
  platform::ProcessOutcome insideOutcome{true, 0, 0, ""};
  std::vector<std::string> urls;
  // Files the launcher wrote for Java: path -> text, while they exist; each
  // one's text stays in writtenFiles. privateFileError refuses them.
  std::map<std::string, std::string> privateFiles;
  std::vector<std::string> writtenFiles;
  std::string privateFileError;
};

FakeState& state();

// Empties the fake and the launch settings, under the given conventions.
void reset(const platform::Conventions& conventions = platform::WINDOWS_CONVENTIONS);

// Registers a runtime key below the runtime base key, with its "JavaHome".
void addRuntime(const std::string& name, const std::string& home);
// Creates the runtime base key (empty) if it is missing.
void addRuntimeBase();
void setCurrentVersion(const std::string& version);
// The registry key at path (created empty if missing), to shape it freely.
FakeKey& registryKey(const std::string& path);
// The same in a hive and view beyond the runtime registry.
std::string rootPrefix(platform::RegistryRoot root);
FakeKey& registryKeyAt(platform::RegistryRoot root, const std::string& path);
// Installs a runtime's Java executables at home, with a release file naming
// version (none when empty), and lists home in its parent directory.
void addJava(const std::string& home, const std::string& version);

// Runs the launcher with the given words (argument 0 first); an exit through
// exitProcess gives its code.
int runLauncher(const std::vector<std::string>& words);

}  // namespace carafe::fake
