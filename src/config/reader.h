// Reads a configuration file and applies each line as it is read.
#pragma once

#include <cstddef>
#include <string>

namespace carafe {

// How deep "include" lines may nest: at most this many files are read at once.
constexpr int MAX_INCLUDE_DEPTH = 32;
// How many configuration files one run reads at most, the application's own
// included: files that include others more than once could otherwise make
// the reading grow exponentially with the depth.
constexpr int MAX_CONFIG_FILES = 256;

// Reads the configuration file at path (relative to the current directory)
// and applies its lines to the launch settings. A UTF-8 byte order mark is
// skipped, and a line that is not UTF-8 is taken in the legacy code page.
// Returns 0 when the file was read and 1 when it could not be opened or read
// (a UTF-16 file, or an include that would read itself again). A
// "javaVersion" line that finds no runtime ends the process with exit code 5.
int readConfigFile(const std::string& path);

// clang-format off
enum class Keyword { VMPARAM, JAVAPATH, ADDPATH, MAINCLASS, APPNAME, JAVAVERSION, ADDJARS,
                     ARGUMENT, ADDJAR, INCLUDE,
                     WORKING_DIRECTORY, DOWNLOADURL, OPTIONAL_INCLUDE, BUNDLED_RUNTIME, JVM,
                     EXIT_NOTICE, STARTUP_CACHE };
// clang-format on

// One keyword of the format: its word, and how its value is expanded.
struct KeywordRule {
  const char* word;
  Keyword keyword;
  bool expand;         // the value passes through "$" expansion
  bool quoteIfSpaced;  // an expansion that holds a space is quoted
};

constexpr std::size_t KEYWORD_COUNT = 17;

// The one value of "workingDirectory": Java starts in the directory the
// launcher was started from.
constexpr const char* CALLER_DIRECTORY = "caller";
// The values of "jvm": Java inside the launcher's process, or a process of
// its own (as without the line).
constexpr const char* JVM_LAUNCHER = "launcher";
constexpr const char* JVM_SEPARATE = "separate";
// The one value of "exitNotice": the GUI builds tell of Java's end only when
// it was abnormal (a signal, an exception code), not for every non-zero code.
constexpr const char* EXIT_NOTICE_ABNORMAL = "abnormal";
// The values of "startupCache": Java keeps its class data between starts in
// the user's cache folder, or not (as without the line).
constexpr const char* STARTUP_CACHE_ON = "on";
constexpr const char* STARTUP_CACHE_OFF = "off";
// The keywords in the order they are tested: the first one that a line begins
// with applies, compared letter for letter over the keyword's length.
extern const KeywordRule KEYWORDS[KEYWORD_COUNT];

// How the reader takes one line.
enum class LineKind {
  EMPTY,       // no text: a blank line
  COMMENT,     // its first character is "#" or "/"
  NO_SPACE,    // no space, so no keyword can have a value: skipped
  NO_KEYWORD,  // begins with none of the keywords: ignored
  KEYWORD,     // rule applies to value
};

struct ConfigLine {
  LineKind kind = LineKind::EMPTY;
  std::string text;                   // the line up to a NUL byte, without its line feed
  const KeywordRule* rule = nullptr;  // with KEYWORD: the keyword that applies
  std::string value;                  // with KEYWORD: everything after the first space
};

// Takes one line (its line feed, if any, included) apart, as the reader does.
ConfigLine parseConfigLine(const std::string& line);

// Applies one line (its line feed, if any, included) to the launch settings.
void applyConfigLine(const std::string& line);

}  // namespace carafe
