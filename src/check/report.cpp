#include "check/report.h"

#include <map>
#include <optional>

#include "check/capture.h"
#include "check/classpath.h"
#include "check/explain.h"
#include "check/java_version.h"
#include "check/machine.h"
#include "config/reader.h"
#include "core/version.h"
#include "launch/compose.h"
#include "launch/inside.h"
#include "launch/startup_cache.h"
#include "platform/command_split.h"
#include "platform/platform.h"
#include "runtime/bundled_runtime.h"
#include "runtime/default_lookup.h"
#include "runtime/discovery.h"
#include "runtime/download.h"
#include "runtime/runtime_view.h"
#include "runtime/versions.h"

namespace carafe::check {

namespace {

// Collects the report's lines, or in quiet mode its warnings and errors only.
class Writer {
 public:
  explicit Writer(bool quiet) : quiet_(quiet) {}

  void heading(const std::string& title) {
    if (quiet_) return;
    if (!text_.empty()) text_ += "\n";
    text_ += title + "\n";
  }

  void line(const std::string& text, int indent = 2) {
    if (!quiet_) text_ += std::string(static_cast<std::size_t>(indent), ' ') + text + "\n";
  }

  void finding(const std::string& where, const Finding& finding, int indent = 6) {
    if (finding.level == Finding::WARNING) ++warnings_;
    const char* level = finding.level == Finding::WARNING ? "warning: "
                        : finding.level == Finding::ERROR ? "error: "
                                                          : "";
    if (quiet_) {
      if (finding.level != Finding::NOTE) text_ += where + ": " + level + finding.text + "\n";
      return;
    }
    text_ += std::string(static_cast<std::size_t>(indent), ' ') + level + finding.text + "\n";
  }

  void warning(const std::string& where, const std::string& text, int indent = 4) {
    finding(where, {Finding::WARNING, text}, indent);
  }

  void note(const std::string& text, int indent = 4) { finding("", {Finding::NOTE, text}, indent); }

  int warnings() const { return warnings_; }
  const std::string& text() const { return text_; }
  void append(const std::string& text) { text_ += text; }

 private:
  bool quiet_;
  std::string text_;
  int warnings_ = 0;
};

struct Place {
  std::size_t file;
  std::size_t line;
};

std::string placeName(const Observation& observation, const Place& place) {
  return observation.files[place.file].path + ":" +
         std::to_string(observation.files[place.file].lines[place.line].number);
}

// The scalar fields that a line sets, as its keyword says.
std::vector<std::string> fieldsSet(const Line& line) {
  if (!line.complete) return {};
  const ConfigLine parsed = parseConfigLine(appliedText(line));
  if (parsed.kind != LineKind::KEYWORD) return {};
  switch (parsed.rule->keyword) {
    case Keyword::MAINCLASS:
      return {"mainClass"};
    case Keyword::APPNAME:
      return {"appName"};
    case Keyword::JAVAPATH:
      return {"javaPath"};
    case Keyword::JAVAVERSION:
    case Keyword::BUNDLED_RUNTIME: {
      std::vector<std::string> fields;
      if (parsed.rule->keyword == Keyword::JAVAVERSION) fields.push_back("javaVersion");
      for (const Change& change : line.changes) {
        if (change.field == "javaPath") fields.push_back("javaPath");
      }
      return fields;
    }
    default:
      return {};
  }
}

using LineWarnings = std::map<std::pair<std::size_t, std::size_t>, std::vector<std::string>>;

// The lines the launcher applied, in the order it applied them.
std::map<int, Place> appliedLines(const Observation& observation) {
  std::map<int, Place> byOrder;
  for (std::size_t f = 0; f < observation.files.size(); ++f) {
    const FileRead& file = observation.files[f];
    for (std::size_t l = 0; l < file.lines.size(); ++l) {
      if (file.lines[l].complete) byOrder[file.lines[l].order] = {f, l};
    }
  }
  return byOrder;
}

std::optional<Keyword> keywordOf(const Line& line) {
  const ConfigLine parsed = parseConfigLine(appliedText(line));
  if (parsed.kind != LineKind::KEYWORD) return std::nullopt;
  return parsed.rule->keyword;
}

// A javaVersion line is looked up when it is read: it sees only the lines
// above it. An appname or downloadUrl line after the last javaVersion line
// serves no download offer, and a bundledRuntime line after a javaVersion
// line comes after the machine has been searched.
void orderWarnings(const Observation& observation, LineWarnings& warnings) {
  std::optional<Place> version;    // the javaVersion line applied last
  std::vector<Place> servingNone;  // appname and downloadUrl lines after it
  for (const auto& entry : appliedLines(observation)) {
    const Place place = entry.second;
    const std::optional<Keyword> keyword =
        keywordOf(observation.files[place.file].lines[place.line]);
    if (!keyword) continue;
    if (*keyword == Keyword::JAVAVERSION) {
      version = place;
      servingNone.clear();
    } else if (version && (*keyword == Keyword::APPNAME || *keyword == Keyword::DOWNLOADURL)) {
      servingNone.push_back(place);
    } else if (version && *keyword == Keyword::BUNDLED_RUNTIME) {
      warnings[{place.file, place.line}].push_back(
          "comes after the javaVersion line " + placeName(observation, *version) +
          ", which has searched the machine already (and offers the download where nothing "
          "fits): put bundledRuntime above it");
    }
  }
  for (const Place& place : servingNone) {
    warnings[{place.file, place.line}].push_back(
        "comes after the javaVersion line " + placeName(observation, *version) +
        ", which is looked up when it is read: its download offer cannot use this line; put it "
        "above the javaVersion line");
  }
}

// For each line that sets a field, the later line that sets it again.
LineWarnings replacements(const Observation& observation) {
  const std::map<int, Place> byOrder = appliedLines(observation);
  LineWarnings replaced;
  std::map<std::string, Place> last;  // field -> the line that set it last
  for (const auto& entry : byOrder) {
    const Place place = entry.second;
    for (const std::string& field : fieldsSet(observation.files[place.file].lines[place.line])) {
      auto previous = last.find(field);
      if (previous != last.end()) {
        replaced[{previous->second.file, previous->second.line}].push_back(
            "replaced by " + placeName(observation, place) + ", which sets " + field +
            " again: the later line decides");
      }
      last[field] = place;
    }
  }
  return replaced;
}

const Event* findEvent(const std::vector<Event>& events, EventKind kind) {
  for (const Event& event : events) {
    if (event.kind == kind) return &event;
  }
  return nullptr;
}

// Where the launcher ended the process, when it did.
const Event* findExit(const Observation& observation, std::string& where) {
  for (const FileRead& file : observation.files) {
    for (const Line& line : file.lines) {
      if (const Event* exit = findEvent(line.events, EventKind::EXIT)) {
        where = file.path + ":" + std::to_string(line.number);
        return exit;
      }
    }
  }
  return nullptr;
}

// Why the configuration is looked for where it is.
void writeWhereFound(Writer& out, const CheckedRun& run) {
  const LaunchSettings& settings = run.settings;
  if (settings.foundBesideProgramFile) {
    out.line("  found beside the launcher's program file " + shown(settings.programPath) +
             ": argument 0 does not lead to it (a bare name, a relative path or a link), and "
             "the launcher takes that file's path instead");
  } else if (!run.observation.files.empty() && run.observation.files[0].opened) {
    out.line("  found by argument 0");
  } else {
    out.line("  by argument 0; not beside the launcher's program file either");
  }
}

// Where Java runs, and what is made absolute for it.
void writeJavaDirectory(Writer& out, const CheckedRun& run) {
  const LaunchSettings& settings = run.settings;
  if (!settings.workingDirectory) return;
  out.heading("Java's directory");
  out.line(shown(settings.callerDirectory) +
           " (workingDirectory caller: the directory the launcher is started in)");
  out.line("relative classpath entries and a relative javapath are made absolute against " +
           shown(settings.workingDir) + ", the launcher's directory, in the command below");
}

void writeStartUp(Writer& out, const CheckedRun& run) {
  const LaunchSettings& settings = run.settings;
  out.heading("Start-up");
  out.line("argument 0: " + shown(run.words.empty() ? std::string() : run.words[0]));
  std::string arguments;
  for (int i = 0; i < settings.commandLineArguments; ++i) {
    arguments += (i > 0 ? ", " : "") + std::string("\"") +
                 shown(settings.arguments.entries[static_cast<std::size_t>(i)]) + "\"";
  }
  out.line("arguments for the application: " + (arguments.empty() ? "none" : arguments));
  out.line(std::string("debug mode: ") + (settings.debugMode ? "on (-d)" : "off"));
  const bool changes = platform::namesDirectory(*run.conventions, settings.programPath);
  out.line("working directory: " + shown(settings.workingDir) +
           (changes ? " (the launcher's own; it changes into it)" : " (the current directory)"));
  out.line("configuration file: " + shown(settings.configPath));
  writeWhereFound(out, run);
  if (run.otherRegistryView) {
    out.line(
        "note: a 32-bit program reads the registry's 32-bit view, and carafe-check the "
        "64-bit one; runtimes registered in only one view are listed at the end");
  }
  for (const Event& event : run.observation.startEvents) {
    out.finding(settings.configPath, explainEvent(run.observation, event), 4);
  }
}

void writeFile(Writer& out, const CheckedRun& run, std::size_t index,
               const LineWarnings& replaced) {
  const Observation& observation = run.observation;
  const FileRead& file = observation.files[index];
  std::string title = file.path;
  if (file.includedBy >= 0) {
    const FileRead& parent = observation.files[static_cast<std::size_t>(file.includedBy)];
    const int line = file.includedAtLine >= 0
                         ? parent.lines[static_cast<std::size_t>(file.includedAtLine)].number
                         : 0;
    title += " (included by " + parent.path + " line " + std::to_string(line) + ")";
  }
  // An include that cannot be opened is told at its include line.
  if (!file.opened && file.includedBy >= 0) return;
  out.line(title);
  if (!file.opened) {
    out.finding(file.path, {Finding::ERROR, "cannot be opened: " + file.error}, 4);
    return;
  }
  if (file.byteOrderMark) out.note("begins with a UTF-8 byte order mark, which is skipped");
  for (const Event& event : file.events)
    out.finding(file.path, explainEvent(observation, event), 4);
  for (std::size_t l = 0; l < file.lines.size(); ++l) {
    const Line& line = file.lines[l];
    if (!line.complete) continue;
    const std::string where = file.path + ":" + std::to_string(line.number);
    std::string text = readText(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    out.line(std::to_string(line.number) + " | " + shown(text), 4);
    for (const Finding& finding : explainLine(observation, file, line)) {
      out.finding(where, finding);
    }
    auto found = replaced.find({index, l});
    if (found != replaced.end()) {
      for (const std::string& text2 : found->second) out.warning(where, text2, 6);
    }
  }
  if (file.endsAtCtrlZ) out.note("ends at a Ctrl-Z character: what follows it is not read");
  if (!file.readToEnd && !file.lines.empty() && file.lines.back().complete &&
      !observation.exitCode) {
    out.note("not read to its end");
  }
}

// The value of the last line of a keyword that the launcher applied, as the
// configuration wrote it (expanded); nothing without such a line.
std::optional<std::string> lastValueOf(const CheckedRun& run, Keyword keyword) {
  std::optional<std::string> found;
  int last = -1;
  for (const FileRead& file : run.observation.files) {
    for (const Line& line : file.lines) {
      const std::optional<std::string> value = keywordValueOf(line, keyword);
      if (value && line.order > last) {
        last = line.order;
        found = value;
      }
    }
  }
  return found;
}

// The javaVersion value as the configuration wrote it (the lookup may
// rewrite it to the key it chose); empty without a javaVersion line.
std::string configuredJavaVersion(const CheckedRun& run) {
  return lastValueOf(run, Keyword::JAVAVERSION).value_or(std::string());
}

// The application's own runtime: the one the Java command starts, or why a
// bundledRuntime line was passed over.
void writeBundledRuntime(Writer& out, const CheckedRun& run, bool chosen) {
  const LaunchSettings& settings = run.settings;
  if (chosen) {
    const std::string& home = *settings.bundledRuntime;
    std::string release;
    std::uint64_t size = 0;
    readFileRange(home + run.conventions->directorySeparator + "release", 0, 64 * 1024, release,
                  size);
    const std::string version = releaseVersion(release);
    out.line("the application's own runtime (bundledRuntime): " +
             (version.empty() ? std::string() : "Java " + shown(version) + " at ") + shown(home) +
             "; nothing else is searched");
    const std::string required = configuredJavaVersion(run);
    if (!required.empty() && !version.empty()) {
      out.line("  its version " + explainRequirement(required, version));
    }
    return;
  }
  const std::optional<std::string> directory = lastValueOf(run, Keyword::BUNDLED_RUNTIME);
  if (!directory) return;
  const BundledRuntime runtime = examineBundledRuntime(*directory);
  if (!runtime.missing.empty()) {
    out.line("the application's own runtime (bundledRuntime) is not used: " +
             shown(runtime.missing) + " is missing, so the runtime is looked for as without it");
  }
}

// The Java command, where it came from, and whether it can be started.
void writeRuntime(Writer& out, const CheckedRun& run, const Event* start) {
  const Observation& observation = run.observation;
  const LaunchSettings& settings = run.settings;
  bool launchEvents = false;
  for (const Event& event : observation.launchEvents) {
    if (event.kind == EventKind::START || event.kind == EventKind::INSIDE) continue;
    if (!launchEvents) out.heading("Launch");
    launchEvents = true;
    out.finding(settings.configPath, explainEvent(observation, event), 4);
  }
  out.heading("Runtime");
  const bool bundled = settings.bundledRuntime && settings.javaPath &&
                       *settings.javaPath == buildJavaPath(*settings.bundledRuntime);
  writeBundledRuntime(out, run, bundled);
  const bool widerAnswered = runtimesDiscovered() && !discoverRuntimes().chosenHome.empty();
  const bool posix = !run.conventions->windowsRuntimePlaces;
  const std::string registry = runtimeRegistryPlaces().words;
  for (const Change& change : observation.launchChanges) {
    if (widerAnswered || change.field != "javaPath" || !change.after) continue;
    if (posix) {
      out.line(
          "no javapath or javaVersion line: the default runtime (JAVA_HOME's, else the one that "
          "java on PATH belongs to, else the highest) among the runtimes of " +
          registry);
    } else {
      out.line(
          "no javapath or javaVersion line: the default runtime, as the runtime registry "
          "names it");
    }
    platform::RegistryKey base = 0;
    std::string version;
    std::string home;
    if (platform::registryOpen(JRE_BASE_KEY, base) == 0) {
      platform::registryReadText(base, "CurrentVersion", CURRENT_VERSION_ROOM, version);
      platform::registryClose(base);
      platform::RegistryKey key = 0;
      if (platform::registryOpen(versionKeyPath(version), key) == 0) {
        platform::registryReadText(key, "JavaHome", JAVA_HOME_ROOM, home);
        platform::registryClose(key);
      }
    }
    if (posix) {
      out.line("  Java " + shown(version) + ", its highest runtime " + shown(home));
    } else {
      out.line("  " + std::string(JRE_BASE_KEY) + ": CurrentVersion " + shown(version) +
               ", its JavaHome " + shown(home));
    }
  }
  if (widerAnswered && !bundled) {
    const Discovery& discovery = discoverRuntimes();
    for (const InstalledRuntime& runtime : discovery.runtimes) {
      if (runtime.home != discovery.chosenHome) continue;
      out.line((posix ? "not among the runtimes of " + registry + "; found"
                      : std::string("the runtime registry did not answer; found")) +
               " on the machine: Java " + shown(runtime.version) + " at " + shown(runtime.home) +
               " (" + shown(runtime.source) + ")");
    }
  } else if (!bundled && settings.javaPath && !configuredJavaVersion(run).empty()) {
    if (posix) {
      out.line("found among the runtimes of " + registry + ": " +
               shown(settings.javaVersion.value_or("")));
    } else {
      out.line("the runtime registry answered: " + std::string(JRE_BASE_KEY) + "\\" +
               shown(settings.javaVersion.value_or("")));
    }
  }
  if (settings.javaPath) {
    out.line("Java command: " + shown(*settings.javaPath));
  } else {
    out.line("no Java command: nothing names one, and the runtime lookup found none");
  }
  if (start != nullptr) {
    if (start->caption.empty()) {
      out.line("its program exists and can be started");
    } else {
      out.finding(settings.configPath,
                  {Finding::ERROR, "its program cannot be started: " + start->caption}, 4);
    }
  }
}

// Where the launcher looked, for a machine on which it found no runtime at
// all: each place searched and what it held there.
void writePlacesSearched(Writer& out, const CheckedRun& run, const Discovery& discovery) {
  const RegistryPlaces registry = runtimeRegistryPlaces();
  out.line("no runtime found; where the launcher looked:");
  if (run.conventions->windowsRuntimePlaces) {
    platform::RegistryKey base = 0;
    const bool present = platform::registryOpen(JRE_BASE_KEY, base) == 0;
    if (present) platform::registryClose(base);
    out.line("  " + registry.words + ": " + (present ? "holds no runtime" : "not present"));
  } else if (registry.pinned) {
    for (const std::string& directory : registry.directories) {
      out.line("  " + shown(directory) + ": " +
               (pathKind(directory) == PathKind::DIRECTORY ? "holds no runtime" : "not present"));
    }
    out.line("  CARAFE_JVM_PATH is set, so nothing else is searched");
  }
  std::string absent;
  for (const SearchedPlace& place : discovery.places) {
    if (!place.present) {
      absent += (absent.empty() ? "" : ", ") + shown(place.place);
      continue;
    }
    std::string found;
    for (const std::string& what : place.found) found += (found.empty() ? "" : "; ") + shown(what);
    out.line("  " + shown(place.place) + ": " + (found.empty() ? "nothing" : found));
  }
  if (!absent.empty()) out.line("  not present or empty: " + absent);
}

// How to choose a runtime by a line that still holds after an update: the
// version form (N+, or the family alone where only it fits), then javapath,
// whose folder an update may rename.
std::string selection(const CheckedRun& run, const Discovery& discovery,
                      const InstalledRuntime& runtime) {
  const std::string family = versionFamily(runtime.version);
  const auto homeOf = [&discovery](const std::string& name) {
    for (const RuntimeKey& key : discovery.view.keys) {
      if (key.name == name) return key.home;
    }
    return std::string();
  };
  std::vector<std::string> names;
  for (const RuntimeKey& key : discovery.view.keys) names.push_back(key.name);
  const std::optional<std::string> highest = chooseMinimumVersion(names, family + "+");
  std::string text;
  if (highest && homeOf(*highest) == runtime.home) {
    text = "javaVersion " + shown(family) + "+ (the highest Java of at least " + shown(family) +
           ", which this is)";
  } else if (homeOf(family) == runtime.home) {
    text = "javaVersion " + shown(family) + " (Java " + shown(family) +
           " only, for an application that runs on no later one)";
  } else {
    text = "javaVersion " + shown(runtime.version);
  }
  const platform::Conventions& conventions = *run.conventions;
  const std::string program =
      runtime.home + conventions.javaBinDirectory +
      (run.settings.debugMode ? conventions.javaConsoleExecutable : conventions.javaExecutable);
  const std::size_t cut = runtime.home.find_last_of("/\\");
  const std::string folder = cut == std::string::npos ? runtime.home : runtime.home.substr(cut + 1);
  text += ", or javapath " + shown(program);
  // A folder named by the whole version ("jdk-21.0.5.11-hotspot"), not the family alone.
  if (runtime.version != family && folder.find(runtime.version) != std::string::npos) {
    text += ", which an update breaks: it renames the folder named by the version";
  }
  return text;
}

// Every runtime the launcher sees beyond the runtime registry, for a
// javaVersion line whether each one satisfies it, and how to choose one;
// where there is none, where the launcher looked.
void writeRuntimes(Writer& out, const CheckedRun& run) {
  out.heading("Runtimes on this machine");
  const Discovery& discovery = discoverRuntimes();
  const std::string required = configuredJavaVersion(run);
  if (discovery.runtimes.empty()) {
    if (!visibleRuntimeNames().empty()) {
      out.line("none found beyond " + runtimeRegistryPlaces().words);
      return;
    }
    writePlacesSearched(out, run, discovery);
    out.line(
        "install a Java runtime, or ship one with the application and name its folder with "
        "bundledRuntime");
    return;
  }
  std::string defaultHome = discovery.defaultHome;
  for (const RuntimeKey& key : discovery.view.keys) {
    if (defaultHome.empty() && key.name == discovery.view.currentVersion) defaultHome = key.home;
  }
  for (const InstalledRuntime& runtime : discovery.runtimes) {
    std::string line = "Java " + shown(runtime.version) + ": " + shown(runtime.home) + " (" +
                       shown(runtime.source) + ")";
    if (runtime.home == defaultHome) line += ", the default";
    out.line(line);
    // A runtime goes by its version and, as its family's highest, by its family.
    const bool fits = required.empty() || satisfiesVersion(required, runtime.version) ||
                      satisfiesVersion(required, versionFamily(runtime.version));
    if (!required.empty()) out.line("  " + explainRequirement(required, runtime.version), 2);
    // Never a runtime that the application's requirement refuses.
    if (fits) out.line("  select it with: " + selection(run, discovery, runtime), 2);
  }
  bool satisfied = required.empty();
  for (const std::string& name : visibleRuntimeNames()) {
    satisfied = satisfied || satisfiesVersion(required, name);
  }
  if (!satisfied) {
    const std::string page = offeredPageUrl();
    out.line("none of them satisfies javaVersion " + shown(required) + ": install one" +
             (page.empty() ? std::string() : " (" + shown(page) + ")") +
             ", or ship one with the application and name its folder with bundledRuntime");
    if (versionForm(required) != VersionForm::MINIMUM) {
      out.line("where the application runs on later versions too, javaVersion " +
               shown(versionFamily(required)) + "+ accepts them");
    }
  }
}

void writeClasspath(Writer& out, const CheckedRun& run, const std::vector<std::string>& words) {
  const Classpath classpath = examineClasspath(words, run.conventions->classpathSeparator);
  const std::string& config = run.settings.configPath;
  out.heading("Classpath");
  for (const ClasspathEntry& entry : classpath.entries) {
    const std::string name =
        entry.text.empty() ? "\"\" (the current directory)" : shown(entry.text);
    if (!entry.jars.empty()) {
      out.line(name + ": " + std::to_string(entry.jars.size()) + " jars");
    } else if (entry.kind == PathKind::DIRECTORY) {
      out.line(name + ": a directory");
    } else if (entry.kind == PathKind::FILE && entry.jar) {
      out.line(name + ": a jar of " + std::to_string(entry.entries) + " entries");
    } else if (entry.kind == PathKind::FILE) {
      out.line(name + ":");
      out.warning(config, shown(entry.text) + " is not a jar: " + entry.problem);
    } else {
      out.line(name + ":");
      out.warning(config, "classpath entry " + shown(entry.text) + " does not exist");
    }
  }
  if (classpath.mainClass.empty()) {
    out.warning(config, "the command names no main class");
  } else if (!classpath.found) {
    out.warning(config, "main class " + shown(classpath.mainClass) +
                            " is in no classpath entry: Java would say \"Could not find or load "
                            "main class " +
                            shown(classpath.mainClass) + "\"");
  } else {
    out.line("main class " + shown(classpath.mainClass) + ": found in " +
             (classpath.foundIn.empty() ? "the current directory" : shown(classpath.foundIn)));
  }
  for (const std::string& duplicate : classpath.duplicates) out.warning(config, duplicate);
}

void writeCommand(Writer& out, const CheckedRun& run, const std::string& command,
                  const std::vector<std::string>& words) {
  out.heading("Command line");
  out.line(shown(command));
  const std::size_t limit = run.conventions->maxCommandLineLength;
  if (limit != 0) {
    out.line(std::to_string(command.size()) + " characters; Windows starts at most " +
             std::to_string(limit));
  } else {
    out.line(std::to_string(command.size()) + " characters");
    // The system's own limits on a program's arguments.
    const ArgumentLimits limits = argumentLimits();
    std::size_t total = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
      total += words[i].size() + 1;
      if (limits.word != 0 && words[i].size() + 1 > limits.word) {
        out.warning(run.settings.configPath,
                    "word [" + std::to_string(i) + "] has " + std::to_string(words[i].size()) +
                        " bytes; this system starts no program with an argument of more than " +
                        std::to_string(limits.word - 1));
      }
    }
    if (limits.total != 0 && total > limits.total) {
      out.warning(run.settings.configPath,
                  "the words have " + std::to_string(total) +
                      " bytes; this system starts no program with more than " +
                      std::to_string(limits.total) + " bytes of arguments and environment");
    }
  }
  out.line("Java receives these words:");
  for (std::size_t i = 0; i < words.size(); ++i) {
    out.line("[" + std::to_string(i) + "] " + shown(words[i]), 4);
  }
}

// Which way Java starts, where the configuration has a jvm line, and why.
void writeStartingJava(Writer& out, const CheckedRun& run, const Event* inside,
                       const Event* start) {
  const LaunchSettings& settings = run.settings;
  if (!settings.jvm || (inside == nullptr && start == nullptr)) return;
  out.heading("Starting Java");
  if (*settings.jvm == JVM_SEPARATE) {
    out.line("jvm separate: Java starts as a process of its own, as without the line");
    return;
  }
  std::string reason;
  if (inside != nullptr && inside->caption.empty()) {
    out.line("jvm launcher: Java starts inside the launcher, with the virtual machine library " +
             shown(inside->text));
    out.line("Java's process is the launcher's own, and the command line has no length limit");
    return;
  }
  if (inside != nullptr) {
    reason = shown(inside->text) + " cannot be loaded: " + inside->caption;
  } else {
    observer().pause(true);
    reason = planJavaInside(start->text).reason;
    observer().pause(false);
  }
  out.warning(settings.configPath,
              "jvm launcher, but Java starts as a separate process: " + shown(reason));
}

// Why the launcher would not start Java, in one line.
std::string reasonNotStarted(const CheckedRun& run, const Event* start) {
  const Observation& observation = run.observation;
  std::string where;
  if (const Event* exit = findExit(observation, where)) {
    return where + " ends the launcher" +
           (exit->code == 11 ? " after the runtime download offer"
                             : ": its javaVersion found no runtime");
  }
  if (start != nullptr && !start->caption.empty())
    return "Java cannot be started: " + start->caption;
  if (observation.files.empty() || !observation.files[0].opened) {
    return "the configuration file cannot be opened" +
           (observation.files.empty() ? std::string() : ": " + observation.files[0].error);
  }
  if (!observation.files[0].readToEnd) return "the configuration file is not read";
  for (auto it = observation.launchEvents.rbegin(); it != observation.launchEvents.rend(); ++it) {
    if (it->kind == EventKind::NOTICE && it->style != platform::NoticeStyle::PLAIN) {
      const std::string text = it->text.substr(0, it->text.find('\n'));
      return "\"" + it->caption + "\": " + shown(text);
    }
  }
  return "the launcher ends with exit code " + std::to_string(run.exitCode);
}

}  // namespace

// The startup cache as the launcher would find it: present and valid, to be
// made (with the caches of other jars or runtimes stale), or none and why.
void writeStartupCacheState(Writer& out, const CheckedRun& run) {
  const std::optional<std::string>& line = run.settings.startupCache;
  if (!line || *line != STARTUP_CACHE_ON) return;
  out.heading("Startup cache");
  const StartupCache& cache = lastStartupCache();
  if (cache.state.empty()) {
    out.line("none: the launcher would not get as far as starting Java");
  } else if (!cache.used.empty()) {
    out.line("present and valid: " + shown(cache.used));
  } else if (!cache.made.empty()) {
    out.line("would be made in " + shown(cache.folder) + " by this start");
  } else {
    out.line("none: " + cache.state.substr(cache.state.find(' ') + 1));
  }
  if (cache.stale > 0) {
    out.line(std::to_string(cache.stale) + (cache.stale == 1 ? " cache" : " caches") +
             " there for other jars, runtimes or options: stale");
  }
}

Report writeReport(const CheckedRun& run, bool quiet) {
  Writer out(quiet);
  const Observation& observation = run.observation;
  std::string invocation;
  for (const std::string& word : run.words)
    invocation += (invocation.empty() ? "" : " ") + shown(word);
  out.line("carafe-check " CARAFE_VERSION_TEXT ": what " + run.build +
               " would do, started as: " + invocation,
           0);

  writeStartUp(out, run);
  if (!observation.files.empty()) {
    out.heading("Configuration");
    LineWarnings replaced = replacements(observation);
    orderWarnings(observation, replaced);
    for (std::size_t i = 0; i < observation.files.size(); ++i) writeFile(out, run, i, replaced);
  }

  const Event* start = findEvent(observation.launchEvents, EventKind::START);
  const Event* inside = findEvent(observation.launchEvents, EventKind::INSIDE);
  const bool startsInside = inside != nullptr && inside->caption.empty();
  writeRuntime(out, run, start);
  const bool started = startsInside || (start != nullptr && start->caption.empty());
  writeRuntimes(out, run);
  writeStartingJava(out, run, inside, start);
  if (start != nullptr || startsInside) {
    // Inside the launcher, the command is what a separate process would run.
    // A command past the system's limit goes to Java 9 and later with its
    // options in an argument file: the whole command is what Java receives.
    std::string command;
    const bool argumentFile =
        start != nullptr && start->text.find(ARGUMENT_FILE) != std::string::npos;
    if (start != nullptr && !argumentFile) {
      command = start->text;
    } else {
      observer().pause(true);
      command = composeCommandLine();
      observer().pause(false);
    }
    const std::vector<std::string> words = platform::splitCommandLine(command);
    writeJavaDirectory(out, run);
    writeClasspath(out, run, words);
    writeCommand(out, run, command, words);
    if (argumentFile) {
      out.line(
          "longer than the system starts: Java (9 or later) would read its options and "
          "classpath from an argument file that the launcher writes for the run");
    }
  }
  writeStartupCacheState(out, run);

  Report report;
  out.heading("Result");
  if (startsInside) {
    out.line(
        "The launcher would run Java inside itself, with this command's meaning, and end "
        "with Java's exit code.");
    report.exitCode = out.warnings() > 0 ? CHECK_WARNINGS : CHECK_CLEAN;
  } else if (started) {
    out.line("The launcher would start Java with this command, and end with Java's exit code.");
    report.exitCode = out.warnings() > 0 ? CHECK_WARNINGS : CHECK_CLEAN;
  } else {
    const std::string reason = reasonNotStarted(run, start);
    out.line("The launcher would not start Java: " + reason + ".");
    out.line("It would end with exit code " + std::to_string(run.exitCode) + ".");
    if (quiet) {
      out.append((run.settings.configPath.empty() ? run.words[0] : run.settings.configPath) +
                 ": error: the launcher would not start Java: " + reason + " (exit code " +
                 std::to_string(run.exitCode) + ")\n");
    }
    report.exitCode = CHECK_NO_START;
  }
  report.warnings = out.warnings();
  out.line(std::to_string(report.warnings) + (report.warnings == 1 ? " warning." : " warnings."));
  report.text = out.text();
  return report;
}

}  // namespace carafe::check
