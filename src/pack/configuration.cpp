#include "pack/configuration.h"

#include <cstring>

#include "check/capture.h"
#include "check/explain.h"
#include "core/settings.h"
#include "core/version.h"
#include "launch/argument_file.h"
#include "launch/compose.h"
#include "pack/error.h"
#include "platform/command_split.h"
#include "platform/conventions.h"

namespace carafe::pack {

namespace {

// How a value is written so that the launcher passes it on as it is meant.
enum class Form {
  TEXT,             // as it is
  JAVA_WORD,        // written into the Java command as it stands: quoted where needed
  ARGUMENT,         // quoted by the launcher itself where it holds a space
  CLASSPATH_ENTRY,  // followed by ";" in the classpath as it stands
};

struct ConfigurationRow {
  Keyword keyword;
  const char* option;
  const char* comment;
  Form form;
  std::vector<std::string> (*values)(const PackOptions& options, const Image& image);
};

// Room for the Java command's program, which the launcher finds on the
// user's machine: a path of up to 260 characters, in quotes.
constexpr std::size_t JAVA_PATH_ROOM = 262;

std::vector<std::string> one(const std::string& value) {
  return value.empty() ? std::vector<std::string>() : std::vector<std::string>{value};
}

std::vector<std::string> userOptionsLine(const PackOptions& o, const Image&) {
  return o.userOptions == SWITCH_ON ? one(userOptionsFile(o)) : std::vector<std::string>();
}

// clang-format off
// In the order the launcher needs them: a javaVersion line is looked up as it
// is read, and names the application by the appname and mainclass above it.
const ConfigurationRow ROWS[] = {
    {Keyword::APPNAME, "--name", "The application's name, which the launcher's notices give.",
     Form::TEXT, [](const PackOptions& o, const Image&) { return one(o.name); }},
    {Keyword::MAINCLASS, "--main-class", "The class whose main method starts the application.",
     Form::TEXT, [](const PackOptions& o, const Image&) { return one(o.mainClass); }},
    {Keyword::BUNDLED_RUNTIME, "--bundled-runtime",
     "Its own runtime, started before any installed Java, which is searched only where it is missing or broken.",
     Form::TEXT, [](const PackOptions& o, const Image&) {
       return o.bundledRuntime.empty() ? std::vector<std::string>() : one("runtime"); }},
    {Keyword::DOWNLOADURL, "--download-url", "The page offered when no Java it can use is found.",
     Form::TEXT, [](const PackOptions& o, const Image&) { return one(o.downloadUrl); }},
    {Keyword::JAVAVERSION, "--java-version", "The Java version it needs.",
     Form::TEXT, [](const PackOptions& o, const Image&) { return one(o.javaVersion); }},
    {Keyword::JVM, "--jvm", "Where Java runs: inside the application's exe, or as a process of its own.",
     Form::TEXT, [](const PackOptions& o, const Image&) { return one(o.jvm); }},
    {Keyword::WORKING_DIRECTORY, "--working-directory", "Java starts in the directory the application is started from.",
     Form::TEXT, [](const PackOptions& o, const Image&) {
       return o.callerDirectory() ? one(CALLER_DIRECTORY) : std::vector<std::string>(); }},
    {Keyword::EXIT_NOTICE, "--exit-notice", "Java's end is told only when it was abnormal.",
     Form::TEXT, [](const PackOptions& o, const Image&) { return one(o.exitNotice); }},
    {Keyword::STARTUP_CACHE, "--startup-cache", "Java's class data is kept for each user between starts.",
     Form::TEXT, [](const PackOptions& o, const Image&) {
       return o.startupCache == SWITCH_ON ? one(STARTUP_CACHE_ON) : std::vector<std::string>(); }},
    {Keyword::VMPARAM, "--vmparam", "Options for the Java virtual machine.",
     Form::JAVA_WORD, [](const PackOptions& o, const Image&) { return o.vmParams; }},
    {Keyword::ADDJAR, "--input", "The application's jars, on the classpath in this order.",
     Form::CLASSPATH_ENTRY, [](const PackOptions&, const Image& i) { return i.classpath; }},
    {Keyword::ARGUMENT, "--argument", "Arguments for the application, after those it is started with.",
     Form::ARGUMENT, [](const PackOptions& o, const Image&) { return o.arguments; }},
};

// After the lines above and those of --config-line, so that a user's options
// come last, and of two Java takes the user's.
const ConfigurationRow USER_OPTIONS_ROW = {
    Keyword::OPTIONAL_INCLUDE, "--user-options",
    "Each user's own options, where the file exists: upgrades and repairs leave it as it is.",
    Form::TEXT, userOptionsLine};
// clang-format on

const char* wordOf(Keyword keyword) {
  for (const KeywordRule& rule : KEYWORDS) {
    if (rule.keyword == keyword) return rule.word;
  }
  return "";
}

// Doubles the backslashes before each double quote and escapes the quote, so
// that the Windows rules give the quote back.
std::string escapeQuotes(const std::string& text) {
  std::string out;
  std::size_t backslashes = 0;
  for (char c : text) {
    if (c == '"') out.append(backslashes + 1, '\\');
    backslashes = c == '\\' ? backslashes + 1 : 0;
    out += c;
  }
  return out;
}

std::string written(Form form, const std::string& value) {
  switch (form) {
    case Form::TEXT:
      return value;
    case Form::ARGUMENT:
      // The launcher encloses an argument with a space in quotes, doubling
      // the backslashes at its end.
      if (value.find(' ') != std::string::npos) return escapeQuotes(value);
      return commandWord(value);
    case Form::JAVA_WORD:
    case Form::CLASSPATH_ENTRY:
      return commandWord(value);
  }
  return value;
}

ConfigurationLine comment(const std::string& text) {
  ConfigurationLine line;
  line.text = text;
  return line;
}

std::string quoted(const std::string& text) { return "\"" + check::shown(text) + "\""; }

// The lines of text as the launcher's reader cuts them, each with its line
// feed; CR LF ends are taken apart by the check's own reading below.
std::vector<std::string> readerLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t feed = text.find('\n', start);
    const std::size_t end = feed == std::string::npos ? text.size() : feed + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

// What the launcher makes of the line's text, in carafe-check's words.
std::string whatTheLauncherReads(const std::string& text) {
  std::string said;
  const check::Observation observation;
  const check::FileRead file;
  for (const std::string& piece : readerLines(text + "\r\n")) {
    check::Line line;
    line.bytes = piece;
    line.complete = true;
    const ConfigLine parsed = parseConfigLine(check::appliedText(line));
    said += said.empty() ? "the launcher reads " : ", then ";
    said += quoted(parsed.text);
    for (const check::Finding& finding : check::explainLine(observation, file, line)) {
      if (finding.level != check::Finding::NOTE) said += ": " + finding.text;
    }
  }
  return said;
}

bool readAsMeant(const ConfigurationLine& line) {
  const std::vector<std::string> pieces = readerLines(line.text + "\r\n");
  if (pieces.size() != 1) return false;
  check::Line read;
  read.bytes = pieces[0];
  const ConfigLine parsed = parseConfigLine(check::appliedText(read));
  if (!line.keywordLine) {
    const LineKind kind = line.text.empty() ? LineKind::EMPTY : LineKind::COMMENT;
    return parsed.kind == kind && parsed.text == line.text;
  }
  return parsed.kind == LineKind::KEYWORD && parsed.rule->keyword == line.keyword &&
         parsed.value == line.value;
}

struct JavaWord {
  std::string text;
  const ConfigurationLine* line;
};

// The words Java is to get, each with the line it comes from.
std::vector<JavaWord> meantWords(const std::vector<ConfigurationLine>& lines) {
  std::vector<JavaWord> words = {{"java", nullptr}};
  std::vector<JavaWord> arguments;
  JavaWord classpath{std::string(), nullptr};
  JavaWord mainClass{std::string(), nullptr};
  for (const ConfigurationLine& line : lines) {
    if (!line.keywordLine || line.given) continue;
    switch (line.keyword) {
      case Keyword::VMPARAM:
        words.push_back({line.javaReceives, &line});
        break;
      case Keyword::ADDPATH:
      case Keyword::ADDJAR:
        classpath.text += line.javaReceives + platform::WINDOWS_CONVENTIONS.classpathSeparator;
        if (classpath.line == nullptr) classpath.line = &line;
        break;
      case Keyword::MAINCLASS:
        mainClass = {line.javaReceives, &line};
        break;
      case Keyword::ARGUMENT:
        arguments.push_back({line.javaReceives, &line});
        break;
      default:
        break;
    }
  }
  words.push_back({"-classpath", nullptr});
  words.push_back(classpath);
  words.push_back(mainClass);
  words.insert(words.end(), arguments.begin(), arguments.end());
  return words;
}

// The Java command the launcher composes from the lines' values, under the
// Windows conventions, with "java" for the program it would find.
std::string composedCommand(const std::vector<ConfigurationLine>& lines) {
  const LaunchSettings saved = launchSettings;
  resetLaunchSettings();
  check::useConventions(platform::WINDOWS_CONVENTIONS);
  launchSettings.javaPath = "java";
  for (const ConfigurationLine& line : lines) {
    if (!line.keywordLine || line.given) continue;
    switch (line.keyword) {
      case Keyword::VMPARAM:
        appendToList(launchSettings.vmParams, line.value);
        break;
      case Keyword::ADDPATH:
      case Keyword::ADDJAR:
        appendToList(launchSettings.vmPaths, line.value);
        break;
      case Keyword::MAINCLASS:
        launchSettings.mainClass = line.value;
        break;
      case Keyword::ARGUMENT:
        appendToList(launchSettings.arguments, line.value);
        break;
      default:
        break;
    }
  }
  const std::string command = composeCommandLine();
  launchSettings = saved;
  return command;
}

enum class JavaKnown { UNKNOWN, EIGHT_OR_EARLIER, NINE_OR_LATER };

// Which Java the launcher will start, as far as the lines tell.
JavaKnown javaKnown(const std::vector<ConfigurationLine>& lines, int bundledRuntimeMajor) {
  int required = 0;
  bool orLater = false;
  for (const ConfigurationLine& line : lines) {
    if (!line.keywordLine) continue;
    if (line.keyword == Keyword::JVM && line.value == JVM_LAUNCHER) {
      return JavaKnown::NINE_OR_LATER;  // no command line to shorten
    }
    if (line.keyword == Keyword::JAVAVERSION) {
      required = majorOf(line.value);
      orLater = !line.value.empty() && line.value.back() == '+';
    }
  }
  if (required >= 9) return JavaKnown::NINE_OR_LATER;
  if (required > 0 && !orLater) return JavaKnown::EIGHT_OR_EARLIER;  // that version only
  if (required == 0 && bundledRuntimeMajor >= 9) return JavaKnown::NINE_OR_LATER;
  if (required == 0 && bundledRuntimeMajor > 0) return JavaKnown::EIGHT_OR_EARLIER;
  return JavaKnown::UNKNOWN;
}

}  // namespace

int majorOf(const std::string& version) {
  int numbers[2] = {0, 0};
  std::size_t i = 0;
  for (int& number : numbers) {
    while (i < version.size() && version[i] >= '0' && version[i] <= '9' && number < 100000) {
      number = number * 10 + (version[i++] - '0');
    }
    if (i >= version.size() || version[i] != '.') break;
    ++i;
  }
  return numbers[0] == 1 ? numbers[1] : numbers[0];
}

std::string userOptionsFile(const PackOptions& options) {
  // The vendor as a folder name: without what Windows file names cannot hold,
  // "$" (which the line would expand) and the dots and spaces Windows drops at
  // the end.
  std::string vendor;
  for (char c : options.vendor) {
    if (std::strchr("<>:\"/\\|?*$", c) == nullptr && static_cast<unsigned char>(c) >= 0x20) {
      vendor += c;
    }
  }
  while (!vendor.empty() && (vendor.back() == '.' || vendor.back() == ' ')) vendor.pop_back();
  while (!vendor.empty() && vendor.front() == ' ') vendor.erase(0, 1);
  const std::string folder = vendor.empty() ? options.name : vendor + "\\" + options.name;
  return "$APPDATA\\" + folder + "\\" + options.name + ".user.config";
}

std::vector<ConfigurationLine> configurationLines(const PackOptions& options, const Image& image) {
  std::vector<ConfigurationLine> lines = {
      comment("# " + options.name + " " + options.appVersion + ": what " + image.exe +
              " starts. Written by carafe-pack " CARAFE_VERSION_TEXT "."),
      comment("# Each line is a keyword, one space and its value; a line that begins with # is "
              "a comment."),
  };
  const auto addRow = [&](const ConfigurationRow& row) {
    const std::vector<std::string> values = row.values(options, image);
    if (values.empty()) return;
    lines.push_back(comment(std::string()));
    lines.push_back(comment(std::string("# ") + row.comment));
    for (const std::string& value : values) {
      ConfigurationLine line;
      line.keywordLine = true;
      line.keyword = row.keyword;
      line.value = written(row.form, value);
      line.text = std::string(wordOf(row.keyword)) + " " + line.value;
      line.javaReceives = value;
      line.option = row.option;
      lines.push_back(line);
    }
  };
  for (const ConfigurationRow& row : ROWS) addRow(row);
  if (!options.configLines.empty()) {
    lines.push_back(comment(std::string()));
    lines.push_back(comment("# More lines, as they were given."));
    for (const std::string& text : options.configLines) {
      const ConfigLine parsed = parseConfigLine(text);
      ConfigurationLine line;
      line.text = text;
      line.keywordLine = parsed.kind == LineKind::KEYWORD;
      if (line.keywordLine) line.keyword = parsed.rule->keyword;
      line.value = parsed.value;
      line.javaReceives = parsed.value;
      line.option = "--config-line";
      line.given = true;
      lines.push_back(line);
    }
  }
  addRow(USER_OPTIONS_ROW);
  return lines;
}

std::string configurationText(const std::vector<ConfigurationLine>& lines) {
  std::string text;
  for (const ConfigurationLine& line : lines) text += line.text + "\r\n";
  return text;
}

std::vector<std::string> checkConfiguration(const std::vector<ConfigurationLine>& lines,
                                            int bundledRuntimeMajor) {
  for (const ConfigurationLine& line : lines) {
    if (readAsMeant(line)) continue;
    const std::string subject = line.keywordLine ? quoted(line.javaReceives) : quoted(line.text);
    throw UsageError(
        (line.option.empty() ? std::string("the configuration") : line.option) + ": " + subject +
        " cannot be written as one configuration line: " + whatTheLauncherReads(line.text));
  }
  const std::string command = composedCommand(lines);
  const std::vector<std::string> received = platform::splitCommandLine(command);
  const std::vector<JavaWord> meant = meantWords(lines);
  for (std::size_t i = 0; i < meant.size(); ++i) {
    if (i < received.size() && received[i] == meant[i].text) continue;
    const std::string option = meant[i].line != nullptr ? meant[i].line->option : "--name";
    throw UsageError(option + ": " + quoted(meant[i].text) +
                     " would not reach Java as it is: the launcher's command gives Java " +
                     (i < received.size() ? quoted(received[i]) : std::string("nothing")) +
                     " in its place");
  }
  if (received.size() > meant.size()) {
    const JavaWord& last = meant.back();
    throw UsageError((last.line != nullptr ? last.line->option : std::string("--argument")) +
                     ": the launcher's command gives Java more words than were meant: " +
                     quoted(received[meant.size()]));
  }
  const std::size_t length = command.size() - std::strlen("java") + JAVA_PATH_ROOM;
  const std::size_t limit = platform::WINDOWS_CONVENTIONS.maxCommandLineLength;
  if (length <= limit) return {};
  // Past the limit the launcher gives Java 9 and later its options and
  // classpath in an argument file; Java inside the launcher has no limit.
  const JavaKnown known = javaKnown(lines, bundledRuntimeMajor);
  if (known == JavaKnown::NINE_OR_LATER) return {};
  const std::string measured = "the Java command would be " + std::to_string(length) +
                               " characters long with a Java path of 260; Windows starts at most " +
                               std::to_string(limit);
  if (known == JavaKnown::EIGHT_OR_EARLIER) {
    throw PackError("--input: " + measured +
                    ", and the Java this application needs is older than 9, which cannot take "
                    "them from an argument file: give fewer or shorter jars, or merge them into "
                    "fewer");
  }
  return {"--input: " + measured +
          "; the launcher then gives Java its options and classpath in an argument file, "
          "which only Java 9 and later read: require it with --java-version 9+ (or later), or "
          "give fewer jars"};
}

}  // namespace carafe::pack
