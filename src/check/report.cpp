#include "check/report.h"

#include <map>

#include "check/classpath.h"
#include "check/explain.h"
#include "check/machine.h"
#include "config/reader.h"
#include "core/version.h"
#include "launch/compose.h"
#include "launch/inside.h"
#include "platform/command_split.h"
#include "platform/platform.h"
#include "runtime/default_lookup.h"
#include "runtime/discovery.h"

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
    case Keyword::JAVAVERSION: {
      std::vector<std::string> fields = {"javaVersion"};
      for (const Change& change : line.changes) {
        if (change.field == "javaPath") fields.push_back("javaPath");
      }
      return fields;
    }
    default:
      return {};
  }
}

// For each line that sets a field, the later line that sets it again.
std::map<std::pair<std::size_t, std::size_t>, std::vector<std::string>> replacements(
    const Observation& observation) {
  std::map<int, Place> byOrder;
  for (std::size_t f = 0; f < observation.files.size(); ++f) {
    const FileRead& file = observation.files[f];
    for (std::size_t l = 0; l < file.lines.size(); ++l) {
      if (file.lines[l].complete) byOrder[file.lines[l].order] = {f, l};
    }
  }
  std::map<std::pair<std::size_t, std::size_t>, std::vector<std::string>> replaced;
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

void writeFile(
    Writer& out, const CheckedRun& run, std::size_t index,
    const std::map<std::pair<std::size_t, std::size_t>, std::vector<std::string>>& replaced) {
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

// The javaVersion value as the configuration wrote it (the lookup may
// rewrite it to the key it chose); empty without a javaVersion line.
std::string configuredJavaVersion(const CheckedRun& run) {
  std::string required;
  int last = -1;
  for (const FileRead& file : run.observation.files) {
    for (const Line& line : file.lines) {
      const std::optional<std::string> value = requiredVersionOf(line);
      if (value && line.order > last) {
        last = line.order;
        required = *value;
      }
    }
  }
  return required;
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
  const bool widerAnswered = runtimesDiscovered() && !discoverRuntimes().chosenHome.empty();
  for (const Change& change : observation.launchChanges) {
    if (widerAnswered || change.field != "javaPath" || !change.after) continue;
    out.line(
        "no javapath or javaVersion line: the default runtime, as the runtime registry "
        "names it");
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
    out.line("  " + std::string(JRE_BASE_KEY) + ": CurrentVersion " + shown(version) +
             ", its JavaHome " + shown(home));
  }
  if (widerAnswered) {
    const Discovery& discovery = discoverRuntimes();
    for (const platform::InstalledRuntime& runtime : discovery.runtimes) {
      if (runtime.home != discovery.chosenHome) continue;
      out.line("the runtime registry did not answer; found on the machine: Java " +
               shown(runtime.version) + " at " + shown(runtime.home) + " (" +
               shown(runtime.source) + ")");
    }
  } else if (settings.javaPath && !configuredJavaVersion(run).empty()) {
    out.line("the runtime registry answered: " + std::string(JRE_BASE_KEY) + "\\" +
             shown(settings.javaVersion.value_or("")));
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

// Every runtime the launcher sees beyond the runtime registry, and for a
// javaVersion line whether each one satisfies it.
void writeRuntimes(Writer& out, const CheckedRun& run) {
  out.heading("Runtimes on this machine");
  const Discovery& discovery = discoverRuntimes();
  if (discovery.runtimes.empty()) {
    out.line("none found beyond the runtime registry");
    return;
  }
  const platform::Conventions& conventions = *run.conventions;
  const char* executable =
      run.settings.debugMode ? conventions.javaConsoleExecutable : conventions.javaExecutable;
  const std::string required = configuredJavaVersion(run);
  std::string defaultHome = discovery.defaultHome;
  for (const platform::RuntimeKey& key : discovery.view.keys) {
    if (defaultHome.empty() && key.name == discovery.view.currentVersion) defaultHome = key.home;
  }
  for (const platform::InstalledRuntime& runtime : discovery.runtimes) {
    std::string line = "Java " + shown(runtime.version) + ": " + shown(runtime.home) + " (" +
                       shown(runtime.source) + ")";
    if (runtime.home == defaultHome) line += ", the default";
    out.line(line);
    if (!required.empty()) out.line("  " + explainRequirement(required, runtime.version), 2);
    out.line("  select it with: javapath " +
                 shown(runtime.home + conventions.javaBinDirectory + executable),
             2);
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
}

void writeCommand(Writer& out, const CheckedRun& run, const std::string& command,
                  const std::vector<std::string>& words) {
  out.heading("Command line");
  out.line(shown(command));
  const std::size_t limit = platform::WINDOWS_CONVENTIONS.maxCommandLineLength;
  out.line(std::to_string(command.size()) + " characters; Windows starts at most " +
           std::to_string(limit));
  if (run.conventions->maxCommandLineLength == 0 && command.size() > limit) {
    out.warning(run.settings.configPath, "longer than a Windows launcher could start");
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
    const auto replaced = replacements(observation);
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
    std::string command;
    if (start != nullptr) {
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
  }

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
