#include "config/reader.h"

#include <cstring>
#include <vector>

#include "config/expand.h"
#include "config/line_reader.h"
#include "config/text_encoding.h"
#include "core/exit_codes.h"
#include "core/notice.h"
#include "core/settings.h"
#include "launch/jar_scan.h"
#include "platform/platform.h"
#include "runtime/bundled_runtime.h"
#include "runtime/download.h"
#include "runtime/required_lookup.h"

namespace carafe {

namespace {

// The files being read, outermost first, each by its identity.
std::vector<std::string> openFiles;

}  // namespace

// Tested in this order; the first keyword that the line begins with applies
// ("addjars" before "addjar").
// clang-format off
const KeywordRule KEYWORDS[KEYWORD_COUNT] = {
    {"vmparam", Keyword::VMPARAM, true, true},
    {"javapath", Keyword::JAVAPATH, true, true},
    {"addpath", Keyword::ADDPATH, true, true},
    {"mainclass", Keyword::MAINCLASS, true, false},
    {"appname", Keyword::APPNAME, true, false},
    {"javaVersion", Keyword::JAVAVERSION, true, false},
    {"addjars", Keyword::ADDJARS, true, true},
    {"argument", Keyword::ARGUMENT, false, false},
    {"addjar", Keyword::ADDJAR, true, true},
    {"include", Keyword::INCLUDE, true, false},
    {"workingDirectory", Keyword::WORKING_DIRECTORY, false, false},
    {"downloadUrl", Keyword::DOWNLOADURL, true, false},
    {"optionalInclude", Keyword::OPTIONAL_INCLUDE, true, false},
    {"bundledRuntime", Keyword::BUNDLED_RUNTIME, true, false},
    {"jvm", Keyword::JVM, false, false},
    {"exitNotice", Keyword::EXIT_NOTICE, false, false},
    {"startupCache", Keyword::STARTUP_CACHE, false, false},
};
// clang-format on

namespace {

// A file that is not read although it opened: said in a notice, and then
// taken as a file that cannot be read (the application's own ends the
// launcher, an included one is skipped).
void refuse(const std::string& path, platform::FileRefusal refusal) {
  if (refusal == platform::FileRefusal::NOT_A_FILE) {
    showError("Error", formatText("Can't read %s: it is not a file but a device, a pipe or a "
                                  "socket.\nA configuration is read from a file only.",
                                  path.c_str()));
  } else {
    showError("Error", formatText("Can't read %s: it is larger than %d bytes, which no "
                                  "configuration needs.\nIt is not read.",
                                  path.c_str(), static_cast<int>(platform::MAX_CONFIG_FILE_SIZE)));
  }
}

void includeFile(const std::string& path) {
  LaunchSettings& settings = launchSettings;
  if (openFiles.size() >= static_cast<std::size_t>(MAX_INCLUDE_DEPTH)) {
    showError("Error", formatText("Can't include %s: includes are nested more than %d deep.\n"
                                  "The include line is skipped.",
                                  path.c_str(), MAX_INCLUDE_DEPTH));
    return;
  }
  if (settings.configFilesRead >= MAX_CONFIG_FILES) {
    // Said once: every include line after it is skipped the same way.
    if (!settings.configFilesLimitReported) {
      settings.configFilesLimitReported = true;
      showError("Error", formatText("Can't include %s: %d configuration files have been read "
                                    "already.\nThis and every later include line are skipped.",
                                    path.c_str(), MAX_CONFIG_FILES));
    }
    return;
  }
  readConfigFile(path);
}

// Only a web page is opened: a file, a program or a script is refused.
void setDownloadUrl(const std::string& url, const std::string& line) {
  if (isWebAddress(url)) {
    launchSettings.downloadUrl = url;
    return;
  }
  showError("Error", formatText("Can't use the line \"%s\": the download page must be an "
                                "http or https address.\nThe line is skipped.",
                                line.c_str()));
}

// Where Java runs: inside the launcher, or as a process of its own.
void setJvm(const std::string& value) {
  if (value == JVM_LAUNCHER || value == JVM_SEPARATE) {
    launchSettings.jvm = value;
    return;
  }
  showError("Error", formatText("\"jvm %s\" is not understood: the values are \"%s\" and "
                                "\"%s\".\nThe line is skipped.",
                                value.c_str(), JVM_LAUNCHER, JVM_SEPARATE));
}

// A keyword with a few fixed values: one of them is kept, anything else is
// told and the line skipped.
void setChoice(std::optional<std::string>& field, const char* word, const std::string& value,
               const char* first, const char* second) {
  if (value == first || (second != nullptr && value == second)) {
    field = value;
    return;
  }
  if (second == nullptr) {
    showError("Error", formatText("\"%s %s\" is not understood: the only value is \"%s\".\n"
                                  "The line is skipped.",
                                  word, value.c_str(), first));
  } else {
    showError("Error", formatText("\"%s %s\" is not understood: the values are \"%s\" and "
                                  "\"%s\".\nThe line is skipped.",
                                  word, value.c_str(), first, second));
  }
}

void applyKeyword(const KeywordRule& rule, const std::string& value, const std::string& line) {
  LaunchSettings& settings = launchSettings;
  const std::string text = rule.expand ? expandValue(value, rule.quoteIfSpaced) : value;
  switch (rule.keyword) {
    case Keyword::VMPARAM:
      appendToList(settings.vmParams, text);
      break;
    case Keyword::JAVAPATH:
      settings.javaPath = text;
      break;
    case Keyword::ADDPATH:
    case Keyword::ADDJAR:
      appendToList(settings.vmPaths, text);
      break;
    case Keyword::MAINCLASS:
      settings.mainClass = text;
      break;
    case Keyword::APPNAME:
      settings.appName = text;
      break;
    case Keyword::JAVAVERSION: {
      // Looked up at once: it sees only what the lines above it have set.
      settings.javaVersion = text;
      if (bundledRuntimeServes(text)) break;
      std::optional<std::string> javaPath = findRequiredJava();
      if (!javaPath || javaPath->empty()) platform::exitProcess(EXIT_VERSION_NOT_FOUND);
      settings.javaPath = std::move(javaPath);
      break;
    }
    case Keyword::ADDJARS:
      scanJarDirectory(text);
      break;
    case Keyword::ARGUMENT:
      appendToList(settings.arguments, text);
      break;
    case Keyword::INCLUDE:
      includeFile(text);
      break;
    case Keyword::OPTIONAL_INCLUDE:
      // A file that the user may write (per-user options): where it is not
      // there, nothing is said, since that is the usual case.
      if (platform::isFile(text)) {
        includeFile(text);
      } else {
        traceDebug(formatText("optional configuration file %s is not present\n", text.c_str()));
      }
      break;
    case Keyword::WORKING_DIRECTORY:
      if (text == CALLER_DIRECTORY) {
        settings.workingDirectory = text;
      } else {
        showError("Error", formatText("\"workingDirectory %s\" is not understood: the only value "
                                      "is \"%s\".\nThe line is skipped.",
                                      text.c_str(), CALLER_DIRECTORY));
      }
      break;
    case Keyword::DOWNLOADURL:
      setDownloadUrl(text, line);
      break;
    case Keyword::BUNDLED_RUNTIME:
      useBundledRuntime(text);
      break;
    case Keyword::JVM:
      setJvm(text);
      break;
    case Keyword::EXIT_NOTICE:
      setChoice(settings.exitNotice, "exitNotice", text, EXIT_NOTICE_ABNORMAL, nullptr);
      break;
    case Keyword::STARTUP_CACHE:
      setChoice(settings.startupCache, "startupCache", text, STARTUP_CACHE_ON, STARTUP_CACHE_OFF);
      break;
  }
}

}  // namespace

ConfigLine parseConfigLine(const std::string& line) {
  ConfigLine parsed;
  // A line's text ends at a NUL byte, as every text the launcher passes on
  // does: a NUL inside a value would cut the Java command short.
  const std::size_t nul = line.find('\0');
  if (nul != std::string::npos) {
    parsed.text = line.substr(0, nul);
  } else {
    parsed.text = line;
    if (!parsed.text.empty() && parsed.text.back() == '\n') parsed.text.pop_back();
  }
  const std::string& text = parsed.text;
  if (text.empty()) {
    parsed.kind = LineKind::EMPTY;
  } else if (text[0] == '#' || text[0] == '/') {
    parsed.kind = LineKind::COMMENT;
  } else if (text.find(' ') == std::string::npos) {
    parsed.kind = LineKind::NO_SPACE;
  } else {
    parsed.kind = LineKind::NO_KEYWORD;
    for (const KeywordRule& rule : KEYWORDS) {
      if (text.compare(0, std::strlen(rule.word), rule.word) == 0) {
        parsed.kind = LineKind::KEYWORD;
        parsed.rule = &rule;
        parsed.value = text.substr(text.find(' ') + 1);
        break;
      }
    }
  }
  return parsed;
}

void applyConfigLine(const std::string& line) {
  const ConfigLine parsed = parseConfigLine(line);
  if (parsed.kind == LineKind::KEYWORD) applyKeyword(*parsed.rule, parsed.value, parsed.text);
}

int readConfigFile(const std::string& path) {
  showDebug("Reading Config file", path);
  std::string identity;
  std::string errorText;
  platform::FileRefusal refusal = platform::FileRefusal::NONE;
  platform::File* file = platform::openFile(path, identity, errorText, refusal);
  if (file == nullptr) {
    if (refusal == platform::FileRefusal::NONE) {
      platform::writeStandardError(
          formatText("Can't open %s Error %s\n", path.c_str(), errorText.c_str()));
    } else {
      refuse(path, refusal);
    }
    return 1;
  }
  for (const std::string& reading : openFiles) {
    if (reading == identity) {
      platform::closeFile(file);
      showError("Error",
                formatText("Can't include %s: it is already being read, so it would include "
                           "itself.\n"
                           "The include line is skipped.",
                           path.c_str()));
      return 1;
    }
  }

  // Closes the file and forgets it also when a test's fake exit unwinds.
  struct OpenFile {
    platform::File* file;
    ~OpenFile() {
      openFiles.pop_back();
      platform::closeFile(file);
    }
  } open{file};
  openFiles.push_back(identity);
  ++launchSettings.configFilesRead;
  LineReader reader(file);
  if (reader.readByteOrderMark() == ByteOrderMark::UTF16) {
    // What an editor's "Unicode" saves: every other byte is a NUL, so no line would match.
    showError("Error", formatText("Can't read %s: it is saved as UTF-16 (\"Unicode\").\n"
                                  "Save it as UTF-8 and start again.",
                                  path.c_str()));
    return 1;
  }
  std::string line;
  while (reader.next(line)) {
    takeAsUtf8(line);
    applyConfigLine(line);
  }
  if (reader.tooLarge()) {
    refuse(path, platform::FileRefusal::TOO_LARGE);
    return 1;
  }
  return 0;
}

}  // namespace carafe
