#include "launch/compose.h"

#include <climits>

#include "core/notice.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "platform/program_lookup.h"

namespace carafe {

namespace {

const char* const CLASSPATH_OPTION = "-classpath ";
// Java reads an empty word as an empty classpath; without it the main class
// would be taken as the classpath.
const char* const EMPTY_CLASSPATH = "\"\"";

// The backslashes that end text: inside added quotes they would escape the
// closing quote, so they are doubled.
std::size_t trailingBackslashes(const std::string& text) {
  std::size_t count = 0;
  for (auto it = text.rbegin(); it != text.rend() && *it == '\\'; ++it) ++count;
  return count;
}

bool holdsSpace(const std::string& text) { return text.find(' ') != std::string::npos; }

// The characters that escaping adds to an argument's double quotes: a
// backslash for each quote, and the backslashes before it once more.
std::size_t quoteEscapes(const std::string& argument) {
  std::size_t added = 0;
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '"') added += backslashes + 1;
    backslashes = c == '\\' ? backslashes + 1 : 0;
  }
  return added;
}

// Appends argument with its double quotes escaped so that the Windows rules
// give the quote back: 2n+1 backslashes before a quote read as n backslashes
// and the quote itself.
void appendEscaped(std::string& text, const std::string& argument) {
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '"') text.append(backslashes + 1, '\\');
    backslashes = c == '\\' ? backslashes + 1 : 0;
    text += c;
  }
}

bool hasEntries(const TextList& list) { return !list.entries.empty(); }

bool classpathIsEmpty(const LaunchSettings& settings) {
  return !hasEntries(settings.vmPaths) && !hasEntries(settings.vmJars);
}

bool holdsBlank(const std::string& text) { return text.find_first_of(" \t") != std::string::npos; }

// A blank outside the double quotes that text holds: Java would get the text
// as two words.
bool blankOutsideQuotes(const std::string& text) {
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (!quoted && (c == ' ' || c == '\t')) return true;
  }
  return false;
}

// How much of an unquoted Java path with a space names the program, to be
// quoted so that the system starts that program and no shorter part of its
// path ("C:\Program.exe"): all of it where it names one file, as a javapath
// line without quotes gives it; else up to the first ".exe" (or another
// program's extension) that ends a word, as a javapath line that adds words
// after the program gives it. 0 where nothing is quoted: a path with quotes
// of its own, one without a space, and one without such an ending, which is
// used as written.
std::size_t javaProgramToQuote(const std::string& javaPath) {
  if (!holdsSpace(javaPath) || javaPath.find('"') != std::string::npos) return 0;
  if (platform::isFile(javaPath)) return javaPath.size();
  for (std::size_t end = javaPath.find_first_of(" \t"); end != std::string::npos;
       end = javaPath.find_first_of(" \t", end + 1)) {
    if (platform::hasProgramExtension(javaPath.substr(0, end))) {
      return holdsSpace(javaPath.substr(0, end)) ? end : 0;
    }
  }
  return platform::hasProgramExtension(javaPath) ? javaPath.size() : 0;
}

// Arguments from the launcher's own command line reach Java exactly as the
// launcher got them; those of "argument" lines are command-line text as their
// authors wrote it.
bool fromCommandLine(const LaunchSettings& settings, std::size_t index) {
  return index < static_cast<std::size_t>(settings.commandLineArguments);
}

const std::string& javaPathOf(const LaunchSettings& settings) {
  static const std::string NONE;
  return settings.javaPath ? *settings.javaPath : NONE;
}

// An argument from the launcher's own command line is quoted where Java would
// otherwise not get it back whole: empty, or with a space or a tab. An
// "argument" line's text is quoted only for a space, as it always was.
bool quoteArgument(const LaunchSettings& settings, std::size_t index) {
  const std::string& argument = settings.arguments.entries[index];
  if (!fromCommandLine(settings, index)) return holdsSpace(argument);
  return argument.empty() || holdsBlank(argument);
}

// A jar that a directory gives, as the command writes it: where its path
// holds a blank outside quotes, in double quotes of its own, so that it stays
// one classpath entry; otherwise as it stands.
// Written straight into the command: this runs once per jar.
void appendFoundJarEntry(std::string& text, const std::string& entry) {
  if (!blankOutsideQuotes(entry)) {
    text += entry;
    return;
  }
  const std::size_t start = text.size();
  text += '"';
  for (char c : entry) {
    if (c != '"') text += c;
  }
  std::size_t backslashes = 0;
  while (text.size() - backslashes > start + 1 && text[text.size() - 1 - backslashes] == '\\') {
    ++backslashes;
  }
  text.append(backslashes, '\\');
  text += '"';
}

std::size_t foundJarEntrySize(const std::string& entry) {
  if (!blankOutsideQuotes(entry)) return entry.size();
  std::size_t size = 2;
  std::size_t backslashes = 0;
  for (char c : entry) {
    if (c == '"') continue;
    ++size;
    backslashes = c == '\\' ? backslashes + 1 : 0;
  }
  return size + backslashes;
}

// The classpath's closing entry, after the last separator. Empty, as it
// always was, except where Java starts in the caller's directory: an empty
// entry means Java's current directory, so it names the launcher's directory
// instead, and nothing of the caller's directory is loaded.
std::string closingEntry(const LaunchSettings& settings) {
  if (!settings.workingDirectory || settings.workingDir.empty()) return std::string();
  const std::string& directory = settings.workingDir;
  if (!holdsBlank(directory)) return directory;
  return '"' + directory + std::string(trailingBackslashes(directory), '\\') + '"';
}

// The size for the settings, with the Java path's program quoted or not: the
// file system is asked once per composition.
std::size_t sizeFor(const LaunchSettings& settings, std::size_t quotedJavaProgram) {
  std::size_t size = javaPathOf(settings).size() + 2 +
                     settings.mainClass.value_or(std::string()).size() + 2 +
                     std::char_traits<char>::length(CLASSPATH_OPTION) + 1;
  if (quotedJavaProgram != 0) size += 2;
  const std::string closing = closingEntry(settings);
  if (classpathIsEmpty(settings) && closing.empty()) {
    size += std::char_traits<char>::length(EMPTY_CLASSPATH);
  }
  size += closing.size();
  for (const TextList* list : {&settings.vmParams, &settings.vmPaths}) {
    for (const std::string& entry : list->entries) size += entry.size() + 2;
  }
  for (const std::string& entry : settings.vmJars.entries) {
    size += foundJarEntrySize(entry) + 2;
  }
  const std::vector<std::string>& arguments = settings.arguments.entries;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    size += arguments[i].size() + 3;
    if (quoteArgument(settings, i)) size += trailingBackslashes(arguments[i]);
    if (fromCommandLine(settings, i)) size += quoteEscapes(arguments[i]);
  }
  return size;
}

// path (as stored, perhaps opening with a double quote) taken from directory
// when it is relative. An entry that gains a space is quoted, so that it
// stays one word.
std::string fromDirectory(const std::string& path, const std::string& directory,
                          bool quoteIfSpaced) {
  const platform::Conventions& conventions = platform::conventions();
  const bool quoted = !path.empty() && path[0] == '"';
  const std::string inner = quoted ? path.substr(1) : path;
  if (inner.empty() || directory.empty() || platform::isAbsolutePath(conventions, inner)) {
    return path;
  }
  std::string joined = directory;
  if (joined.back() != conventions.directorySeparator) joined += conventions.directorySeparator;
  joined += inner;
  if (quoted) return '"' + joined;
  if (!quoteIfSpaced || !holdsSpace(joined)) return joined;
  return '"' + joined + std::string(trailingBackslashes(joined), '\\') + '"';
}

// A Java path that names a program by a relative path, not a bare name that
// the system looks for on PATH.
bool namesRelativeProgram(const std::string& javaPath) {
  const bool quoted = !javaPath.empty() && javaPath[0] == '"';
  const std::string inner = quoted ? javaPath.substr(1) : javaPath;
  // Unquoted, it is one program where it names one file, as when composed.
  const std::string program = !quoted && platform::isFile(javaPath)
                                  ? javaPath
                                  : inner.substr(0, inner.find_first_of(quoted ? "\"" : " "));
  return program.find_first_of(std::string("/") + platform::conventions().directorySeparator) !=
         std::string::npos;
}

// With "workingDirectory caller" Java starts where the launcher was started,
// not in the launcher's directory: the classpath entries and a Java path that
// the configuration names relative to the launcher's directory are made
// absolute against it, so that Java still finds them. Without it the settings
// are composed as they stand.
const LaunchSettings& settingsToCompose(LaunchSettings& absolute) {
  if (!launchSettings.workingDirectory) return launchSettings;
  absolute = launchSettings;
  const std::string& directory = absolute.workingDir;
  for (TextList* list : {&absolute.vmPaths, &absolute.vmJars}) {
    for (std::string& entry : list->entries) entry = fromDirectory(entry, directory, true);
  }
  if (absolute.javaPath && namesRelativeProgram(*absolute.javaPath)) {
    absolute.javaPath = fromDirectory(*absolute.javaPath, directory, false);
  }
  return absolute;
}

}  // namespace

std::size_t commandLineSize() {
  LaunchSettings absolute;
  const LaunchSettings& settings = settingsToCompose(absolute);
  return sizeFor(settings, javaProgramToQuote(javaPathOf(settings)));
}

std::string composeCommandLine() {
  LaunchSettings absolute;
  const LaunchSettings& settings = settingsToCompose(absolute);
  const char separator = platform::conventions().classpathSeparator;
  const std::string& javaPath = javaPathOf(settings);
  const std::size_t quotedJavaProgram = javaProgramToQuote(javaPath);
  const std::size_t size = sizeFor(settings, quotedJavaProgram);
  traceDebug(formatText("cmdLine is %d chars long\n", size > static_cast<std::size_t>(INT_MAX)
                                                          ? INT_MAX
                                                          : static_cast<int>(size)));

  std::string text;
  text.reserve(size);
  if (quotedJavaProgram != 0) {
    text += '"';
    text.append(javaPath, 0, quotedJavaProgram);
    text += '"';
    text.append(javaPath, quotedJavaProgram, std::string::npos);
  } else {
    text += javaPath;
  }
  text += ' ';
  for (const std::string& parameter : settings.vmParams.entries) {
    text += parameter;
    text += ' ';
  }
  text += CLASSPATH_OPTION;
  const std::string closing = closingEntry(settings);
  if (classpathIsEmpty(settings) && closing.empty()) text += EMPTY_CLASSPATH;
  for (const std::string& entry : settings.vmPaths.entries) {
    text += entry;
    text += separator;
  }
  for (const std::string& entry : settings.vmJars.entries) {
    appendFoundJarEntry(text, entry);
    text += separator;
  }
  text += closing;
  text += ' ';
  text += settings.mainClass.value_or(std::string());
  const std::vector<std::string>& arguments = settings.arguments.entries;
  if (!arguments.empty()) text += ' ';
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool quoted = quoteArgument(settings, i);
    if (quoted) text += '"';
    if (fromCommandLine(settings, i)) {
      appendEscaped(text, argument);
    } else {
      text += argument;
    }
    if (quoted) {
      text.append(trailingBackslashes(argument), '\\');
      text += '"';
    }
    text += ' ';
  }
  return text;
}

}  // namespace carafe
