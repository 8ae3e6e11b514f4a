#include "launch/compose.h"

#include <climits>

#include "core/notice.h"
#include "core/settings.h"
#include "platform/platform.h"

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

// A Java path with a space that names one existing file, as a javapath line
// without quotes gives it: quoted, so that Java gets it as one word. A path
// with quotes of its own, or one that adds words after the program, is used
// as written.
bool javaPathNeedsQuotes(const std::string& javaPath) {
  return holdsSpace(javaPath) && javaPath.find('"') == std::string::npos &&
         platform::isFile(javaPath);
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

// The size for the settings, with the Java path quoted or not: the file
// system is asked once per composition.
std::size_t sizeFor(const LaunchSettings& settings, bool quoteJavaPath) {
  std::size_t size = javaPathOf(settings).size() + 2 +
                     settings.mainClass.value_or(std::string()).size() + 2 +
                     std::char_traits<char>::length(CLASSPATH_OPTION) + 1;
  if (quoteJavaPath) size += 2;
  if (classpathIsEmpty(settings)) size += std::char_traits<char>::length(EMPTY_CLASSPATH);
  for (const TextList* list : {&settings.vmParams, &settings.vmPaths, &settings.vmJars}) {
    for (const std::string& entry : list->entries) size += entry.size() + 2;
  }
  const std::vector<std::string>& arguments = settings.arguments.entries;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    size += arguments[i].size() + 3;
    if (holdsSpace(arguments[i])) size += trailingBackslashes(arguments[i]);
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
  return sizeFor(settings, javaPathNeedsQuotes(javaPathOf(settings)));
}

std::string composeCommandLine() {
  LaunchSettings absolute;
  const LaunchSettings& settings = settingsToCompose(absolute);
  const char separator = platform::conventions().classpathSeparator;
  const std::string& javaPath = javaPathOf(settings);
  const bool quoteJavaPath = javaPathNeedsQuotes(javaPath);
  const std::size_t size = sizeFor(settings, quoteJavaPath);
  traceDebug(formatText("cmdLine is %d chars long\n", size > static_cast<std::size_t>(INT_MAX)
                                                          ? INT_MAX
                                                          : static_cast<int>(size)));

  std::string text;
  text.reserve(size);
  if (quoteJavaPath) {
    text += '"';
    text += javaPath;
    text += '"';
  } else {
    text += javaPath;
  }
  text += ' ';
  for (const std::string& parameter : settings.vmParams.entries) {
    text += parameter;
    text += ' ';
  }
  text += CLASSPATH_OPTION;
  if (classpathIsEmpty(settings)) text += EMPTY_CLASSPATH;
  for (const TextList* list : {&settings.vmPaths, &settings.vmJars}) {
    for (const std::string& entry : list->entries) {
      text += entry;
      text += separator;
    }
  }
  text += ' ';
  text += settings.mainClass.value_or(std::string());
  const std::vector<std::string>& arguments = settings.arguments.entries;
  if (!arguments.empty()) text += ' ';
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool quoted = holdsSpace(argument);
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
