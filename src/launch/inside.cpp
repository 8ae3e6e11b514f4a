#include "launch/inside.h"

#include <cstring>

#include "config/reader.h"
#include "core/notice.h"
#include "core/settings.h"
#include "platform/command_split.h"

namespace carafe {

namespace {

// Options of the java command itself, which the virtual machine does not
// take: where the command holds one, a separate process starts, so that the
// java command does what it says.
const char* const LAUNCHER_OPTIONS[] = {
    "-jar",
    "-m",
    "--module",
    "--source",
    "--dry-run",
    "--validate-modules",
    "--list-modules",
    "-d",
    "--describe-module",
    "--show-module-resolution",
    "-version",
    "--version",
    "-showversion",
    "--show-version",
    "-fullversion",
    "--full-version",
    "-help",
    "-h",
    "-?",
    "--help",
    "-X",
    "--help-extra",
    "-Xdiag",
    "-d32",
    "-d64",
};
// The same, for options that carry their value after a character of their own.
const char* const LAUNCHER_OPTION_PREFIXES[] = {
    "--module=", "--source=", "--describe-module=", "-XshowSettings", "-J",
};

// Options whose value is the next word: the virtual machine takes them only
// as one word, joined by "=".
const char* const JOINED_OPTIONS[] = {
    "--module-path",   "--upgrade-module-path", "--add-modules",
    "--limit-modules", "--add-exports",         "--add-opens",
    "--add-reads",     "--patch-module",        "--enable-native-access",
};

const char* const CLASSPATH_OPTIONS[] = {"-cp", "-classpath", "--class-path"};

bool isOneOf(const std::string& word, const char* const* list, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (word == list[i]) return true;
  }
  return false;
}

template <std::size_t N>
bool isOneOf(const std::string& word, const char* const (&list)[N]) {
  return isOneOf(word, list, N);
}

bool beginsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringCase(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool isSeparator(char c) { return c == '/' || c == platform::conventions().directorySeparator; }

std::size_t lastSeparator(const std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (isSeparator(path[i - 1])) return i - 1;
  }
  return std::string::npos;
}

}  // namespace

std::string homeOf(const std::string& program) {
  const std::size_t cut = lastSeparator(program);
  if (cut == std::string::npos) return std::string();
  const std::string directory = program.substr(0, cut);
  const std::size_t binCut = lastSeparator(directory);
  if (binCut == std::string::npos || !sameIgnoringCase(directory.substr(binCut + 1), "bin")) {
    return std::string();
  }
  return directory.substr(0, binCut);
}

namespace {

// The first virtual machine library of the runtime at home, the client
// machine's first where the command asks for it; empty when there is none.
std::string libraryOf(const std::string& home, bool preferClient) {
  const char* const* candidates = platform::conventions().virtualMachineLibraries;
  for (int pass = preferClient ? 0 : 1; pass < 2; ++pass) {
    for (const char* const* candidate = candidates; *candidate != nullptr; ++candidate) {
      const bool client = std::strstr(*candidate, "client") != nullptr;
      if (pass == 0 && !client) continue;
      const std::string path = home + *candidate;
      if (platform::isFile(path)) return path;
    }
  }
  return std::string();
}

// "*" and "dir/*" name every jar of a directory, as the java command
// expands them: files and directories whose names end in ".jar" or ".JAR".
// An entry that matches nothing, or names a file called "*", stays as written.
void appendExpanded(const std::string& entry, char separator, std::string& classpath) {
  const bool wildcard = !entry.empty() && entry.back() == '*' &&
                        (entry.size() == 1 || isSeparator(entry[entry.size() - 2])) &&
                        !platform::isFile(entry);
  std::string expanded;
  if (wildcard) {
    const std::string prefix = entry.substr(0, entry.size() - 1);
    platform::SearchMatch match;
    platform::Search* search = platform::searchStart(prefix.empty() ? "." : prefix, ".jar", match);
    if (search != nullptr) {
      do {
        if (!endsWith(match.name, ".jar") && !endsWith(match.name, ".JAR")) continue;
        if (!expanded.empty()) expanded += separator;
        expanded += prefix + match.name;
      } while (platform::searchNext(search, match));
      platform::searchClose(search);
    }
  }
  classpath += expanded.empty() ? entry : expanded;
}

std::string expandClasspath(const std::string& classpath) {
  const char separator = platform::conventions().classpathSeparator;
  std::string result;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = classpath.find(separator, start);
    appendExpanded(classpath.substr(start, end == std::string::npos ? end : end - start), separator,
                   result);
    if (end == std::string::npos) break;
    result += separator;
    start = end + 1;
  }
  return result;
}

// The size of "-Xss" in bytes ("512k", "2m"); false when it is not a size.
bool stackSizeOf(const std::string& text, std::size_t& size) {
  if (text.empty()) return false;
  unsigned long long value = 0;
  std::size_t i = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value > (~0ULL - 9) / 10) return false;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  if (i == 0) return false;
  unsigned shift = 0;
  if (i + 1 == text.size()) {
    const char unit = lower(text[i]);
    shift = unit == 'k' ? 10 : unit == 'm' ? 20 : unit == 'g' ? 30 : 64;
    if (shift == 64) return false;
  } else if (i != text.size()) {
    return false;
  }
  if (value > (static_cast<unsigned long long>(static_cast<std::size_t>(-1)) >> shift)) {
    return false;
  }
  size = static_cast<std::size_t>(value << shift);
  return true;
}

// Why a separate process must start for the command; empty when nothing
// keeps Java from starting inside.
std::string readOptions(const std::vector<std::string>& words, std::size_t& next, InsidePlan& plan,
                        bool& preferClient) {
  platform::JavaInside& java = plan.java;
  for (; next < words.size(); ++next) {
    const std::string& word = words[next];
    if (word.empty() || word[0] != '-') break;
    if (isOneOf(word, LAUNCHER_OPTIONS)) return "the option " + word + " is the java command's";
    for (const char* prefix : LAUNCHER_OPTION_PREFIXES) {
      if (beginsWith(word, prefix)) return "the option " + word + " is the java command's";
    }
    const bool takesValue =
        isOneOf(word, CLASSPATH_OPTIONS) || isOneOf(word, JOINED_OPTIONS) || word == "-p";
    if (takesValue && next + 1 >= words.size()) {
      return "the option " + word + " has no value";
    }
    if (isOneOf(word, CLASSPATH_OPTIONS)) {
      java.options.push_back("-Djava.class.path=" + expandClasspath(words[++next]));
    } else if (beginsWith(word, "--class-path=")) {
      java.options.push_back("-Djava.class.path=" +
                             expandClasspath(word.substr(std::strlen("--class-path="))));
    } else if (word == "-p") {
      java.options.push_back("--module-path=" + words[++next]);
    } else if (isOneOf(word, JOINED_OPTIONS)) {
      java.options.push_back(word + "=" + words[next + 1]);
      ++next;
    } else if (beginsWith(word, "-splash:")) {
      java.splashImage = word.substr(std::strlen("-splash:"));
    } else if (word == "-client" || word == "-server") {
      preferClient = word == "-client";
    } else if (word == "--disable-@files") {
      // Nothing here reads argument files.
    } else {
      if (beginsWith(word, "-Xss") && !stackSizeOf(word.substr(4), java.stackSize)) {
        return "the option " + word + " is not a stack size";
      }
      java.options.push_back(word);
    }
  }
  return std::string();
}

std::string absolute(const std::string& path) {
  const platform::Conventions& conventions = platform::conventions();
  std::string directory;
  if (platform::isAbsolutePath(conventions, path) || !platform::currentDirectory(directory)) {
    return path;
  }
  if (!directory.empty() && !isSeparator(directory.back())) {
    directory += conventions.directorySeparator;
  }
  return directory + path;
}

// The library of the runtime whose program the command starts: by the
// program's own path, else by the path its links lead to.
std::string findLibrary(const std::string& program, bool preferClient, std::string& reason) {
  const std::string path = absolute(program);
  std::string home = homeOf(path);
  std::string library = home.empty() ? std::string() : libraryOf(home, preferClient);
  if (library.empty()) {
    const std::string resolved = platform::resolvedPath(path);
    const std::string resolvedHome = resolved.empty() ? std::string() : homeOf(resolved);
    if (!resolvedHome.empty() && resolvedHome != home) {
      home = resolvedHome;
      library = libraryOf(home, preferClient);
    }
  }
  if (home.empty()) {
    reason = "the Java command " + program + " is not in a runtime's bin directory";
  } else if (library.empty()) {
    const char* first = platform::conventions().virtualMachineLibraries[0];
    reason = first == nullptr ? std::string(
                                    "Java starts inside the launcher only on Windows "
                                    "and Linux")
                              : "the runtime " + home + " has no virtual machine library (" +
                                    std::string(first + 1) + ")";
  }
  return library;
}

}  // namespace

std::size_t mainClassPosition(const std::vector<std::string>& words) {
  std::size_t next = 1;
  for (; next < words.size(); ++next) {
    const std::string& word = words[next];
    if (word.empty() || word[0] != '-') break;
    if (isOneOf(word, CLASSPATH_OPTIONS) || isOneOf(word, JOINED_OPTIONS) || word == "-p") ++next;
  }
  return next < words.size() ? next : words.size();
}

std::string runtimeHomeOf(const std::string& program) {
  const std::string path = absolute(program);
  const std::string home = homeOf(path);
  const char separator = platform::conventions().directorySeparator;
  if (!home.empty() && platform::isFile(home + separator + "release")) return home;
  const std::string resolved = platform::resolvedPath(path);
  const std::string resolvedHome = resolved.empty() ? std::string() : homeOf(resolved);
  return resolvedHome.empty() ? home : resolvedHome;
}

bool wantsJavaInside() { return launchSettings.jvm && *launchSettings.jvm == JVM_LAUNCHER; }

InsidePlan planJavaInside(const std::string& commandLine) {
  InsidePlan plan;
  const std::vector<std::string> words = platform::splitCommandLine(commandLine);
  std::string value;
  if (platform::environmentValue("JDK_JAVA_OPTIONS", value) && !value.empty()) {
    plan.reason = "JDK_JAVA_OPTIONS is set, and the java command reads it";
    return plan;
  }
  const std::string& program = words[0];
  if (lastSeparator(program) == std::string::npos) {
    plan.reason = "the Java command " + program + " names no directory";
    return plan;
  }
  std::size_t next = 1;
  bool preferClient = false;
  plan.reason = readOptions(words, next, plan, preferClient);
  if (!plan.reason.empty()) return plan;
  if (next >= words.size()) {
    plan.reason = "the command names no main class";
    return plan;
  }
  const std::string& mainClass = words[next];
  if (!mainClass.empty() && mainClass[0] == '@') {
    plan.reason = "the java command reads the argument file " + mainClass;
    return plan;
  }
  if (endsWith(mainClass, ".java") && platform::isFile(mainClass)) {
    plan.reason = "the java command compiles the source file " + mainClass;
    return plan;
  }

  platform::JavaInside& java = plan.java;
  java.library = findLibrary(program, preferClient, plan.reason);
  if (java.library.empty()) return plan;
  java.mainClass = mainClass;
  java.arguments.assign(words.begin() + static_cast<long>(next) + 1, words.end());
  // The properties that the java command sets for the application.
  std::string command = mainClass;
  for (const std::string& argument : java.arguments) command += " " + argument;
  java.options.push_back("-Dsun.java.command=" + command);
  java.options.push_back("-Dsun.java.launcher=SUN_STANDARD");
  plan.possible = true;
  return plan;
}

}  // namespace carafe
