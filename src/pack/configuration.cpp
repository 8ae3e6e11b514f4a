#include "pack/configuration.h"

#include <cstring>

#include "check/capture.h"
#include "check/explain.h"
#include "core/settings.h"
#include "core/version.h"
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
    {Keyword::JAVAVERSION, "--java-version", "The Java version it needs.",
     Form::TEXT, [](const PackOptions& o, const Image&) { return one(o.javaVersion); }},
    {Keyword::JVM, "--jvm", "Where Java runs: inside the application's exe, or as a process of its own.",
     Form::TEXT, [](const PackOptions& o, const Image&) { return one(o.jvm); }},
    {Keyword::VMPARAM, "--vmparam", "Options for the Java virtual machine.",
     Form::JAVA_WORD, [](const PackOptions& o, const Image&) { return o.vmParams; }},
    {Keyword::ADDJAR, "--input", "The application's jars, on the classpath in this order.",
     Form::CLASSPATH_ENTRY, [](const PackOptions&, const Image& i) { return i.classpath; }},
    {Keyword::ARGUMENT, "--argument", "Arguments for the application, after those it is started with.",
     Form::ARGUMENT, [](const PackOptions& o, const Image&) { return o.arguments; }},
};
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
    if (!line.keywordLine) continue;
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
    if (!line.keywordLine) continue;
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

}  // namespace

std::string commandWord(const std::string& text) {
  if (!text.empty() && text.find_first_of(" \t\"") == std::string::npos) return text;
  std::size_t trailing = 0;
  while (trailing < text.size() && text[text.size() - 1 - trailing] == '\\') ++trailing;
  return "\"" + escapeQuotes(text) + std::string(trailing, '\\') + "\"";
}

std::vector<ConfigurationLine> configurationLines(const PackOptions& options, const Image& image) {
  std::vector<ConfigurationLine> lines = {
      comment("# " + options.name + " " + options.appVersion + ": what " + image.exe +
              " starts. Written by carafe-pack " CARAFE_VERSION_TEXT "."),
      comment("# Each line is a keyword, one space and its value; a line that begins with # is "
              "a comment."),
  };
  for (const ConfigurationRow& row : ROWS) {
    const std::vector<std::string> values = row.values(options, image);
    if (values.empty()) continue;
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
  }
  return lines;
}

std::string configurationText(const std::vector<ConfigurationLine>& lines) {
  std::string text;
  for (const ConfigurationLine& line : lines) text += line.text + "\r\n";
  return text;
}

void checkConfiguration(const std::vector<ConfigurationLine>& lines) {
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
  if (length > limit) {
    throw PackError("--input: the Java command would be " + std::to_string(length) +
                    " characters long with a Java path of 260; Windows starts at most " +
                    std::to_string(limit) +
                    ": give fewer or shorter jars, or merge them into fewer");
  }
}

}  // namespace carafe::pack
