#include "check/explain.h"

#include <algorithm>

#include "check/java_version.h"
#include "check/machine.h"
#include "config/expand.h"
#include "config/reader.h"
#include "config/text_encoding.h"
#include "core/settings.h"
#include "runtime/bundled_runtime.h"
#include "runtime/default_lookup.h"
#include "runtime/download.h"
#include "runtime/required_lookup.h"
#include "runtime/versions.h"

namespace carafe::check {

namespace {

constexpr std::size_t SHOWN_LENGTH = 160;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), lower);
  return text;
}

// The edit distance with adjacent transpositions, over short words.
std::size_t distance(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

std::string quoted(const std::string& text) { return "\"" + shown(text) + "\""; }

Finding note(std::string text) { return {Finding::NOTE, std::move(text)}; }
Finding warning(std::string text) { return {Finding::WARNING, std::move(text)}; }

const TextList* listOf(Keyword keyword) {
  switch (keyword) {
    case Keyword::VMPARAM:
      return &launchSettings.vmParams;
    case Keyword::ADDPATH:
    case Keyword::ADDJAR:
      return &launchSettings.vmPaths;
    case Keyword::ARGUMENT:
      return &launchSettings.arguments;
    default:
      return nullptr;
  }
}

// The value as the reader stored it: expanded as for its keyword, the
// expansion's own debug notices not recorded.
std::string expandedValue(const ConfigLine& parsed) {
  if (!parsed.rule->expand) return parsed.value;
  observer().pause(true);
  const bool debugMode = launchSettings.debugMode;
  launchSettings.debugMode = false;
  const std::string value = expandValue(parsed.value, parsed.rule->quoteIfSpaced);
  launchSettings.debugMode = debugMode;
  observer().pause(false);
  return value;
}

std::string describeList(const Change& change) {
  std::string items;
  for (std::size_t i = 0; i < change.appended.size(); ++i) {
    if (i > 0) items += ", ";
    items += quoted(change.appended[i]);
  }
  const bool one = change.appended.size() == 1;
  if (change.field == "vmParams")
    return (one ? "adds the JVM option " : "adds the JVM options ") + items;
  if (change.field == "vmPaths")
    return (one ? "adds the classpath entry " : "adds the classpath entries ") + items;
  if (change.field == "vmJars") {
    return "finds " + std::to_string(change.appended.size()) + (one ? " jar: " : " jars: ") + items;
  }
  if (change.field == "arguments")
    return (one ? "adds the argument " : "adds the arguments ") + items;
  return "adds to " + change.field + ": " + items;
}

std::string describeText(const Change& change) {
  static const struct {
    const char* field;
    const char* name;
  } NAMES[] = {{"mainClass", "the main class"},
               {"appName", "the application's name"},
               {"javaVersion", "the required Java version"},
               {"javaPath", "the Java command"},
               {"workingDirectory", "Java's directory"},
               {"downloadUrl", "the download page"},
               {"bundledRuntime", "the application's own runtime"},
               {"jvm", "where Java runs"},
               {"exitNotice",
                "the exit notice (abnormal: told only for a crash, a signal or an exception)"}};
  std::string name = change.field;
  for (const auto& entry : NAMES) {
    if (change.field == entry.field) name = entry.name;
  }
  if (!change.after) return "clears " + name;
  std::string text = "sets " + name + " to " + quoted(*change.after);
  if (change.before) text += ", replacing " + quoted(*change.before);
  return text;
}

// What the debug notices of a runtime registry that does not answer mean, in
// words a user can act on; empty for any other notice.
std::string registryNoticeMeaning(const Event& event) {
  const bool windows = platform::conventions().windowsRuntimePlaces;
  const RegistryPlaces places = runtimeRegistryPlaces();
  const std::string registry = places.words;
  // Where CARAFE_JVM_PATH pins the search, there is nothing beyond it.
  const std::string searched =
      places.pinned ? std::string()
                    : "; the launcher then searches the rest of the machine (\"Runtimes on this "
                      "machine\" below lists what it found, or where it looked)";
  if (event.caption == "Error Accessing Registry!" && event.text == JRE_BASE_KEY) {
    return windows ? "the classic key HKLM\\" + std::string(JRE_BASE_KEY) +
                         " does not exist: no installer wrote it (few do today)" + searched
                   : "no runtime in " + registry + searched;
  }
  if (event.caption == "Error Accessing Registry!") {
    return windows ? "the runtime registry holds no key for the version asked for (or that "
                     "its CurrentVersion names)" +
                         searched
                   : "no runtime of the version asked for in " + registry + searched;
  }
  if (event.caption == "Error Reading Registry") {
    return "the classic key has no CurrentVersion value naming the default runtime" + searched;
  }
  if (event.caption == "Error Reading Registry!") {
    return "the runtime's key in the runtime registry has no readable JavaHome value: its "
           "installer left it incomplete";
  }
  return std::string();
}

}  // namespace

Finding explainEvent(const Observation& observation, const Event& event) {
  switch (event.kind) {
    case EventKind::NOTICE: {
      const char* style = event.style == platform::NoticeStyle::PLAIN ? "plain" : "error";
      std::string text =
          std::string("notice \"") + event.caption + "\" (" + style + "): " + shown(event.text);
      if (event.style == platform::NoticeStyle::ERROR_QUESTION) {
        // The launcher ends right after its offer, so the settings are still
        // those the offer was made with.
        const std::string page = offeredPageUrl();
        text += " -- a question with Yes and No; the check answers No; Yes would open " +
                (page.empty() ? std::string("no page") : shown(page));
      }
      const std::string meaning = registryNoticeMeaning(event);
      if (!meaning.empty()) text += " -- a notice of debug mode: " + meaning;
      return {event.style == platform::NoticeStyle::PLAIN ? Finding::NOTE : Finding::WARNING, text};
    }
    case EventKind::TRACE:
      return note("trace: " + shown(event.text));
    case EventKind::ERROR_OUTPUT:
      return warning("standard error: " + shown(event.text));
    case EventKind::INCLUDE: {
      const FileRead& file = observation.files[static_cast<std::size_t>(event.file)];
      return note(file.opened ? "reads " + shown(file.path) + " (below)"
                              : "cannot open " + shown(file.path));
    }
    case EventKind::START:
      return note("starts " + shown(event.text));
    case EventKind::INSIDE:
      return note("runs Java inside the launcher with " + shown(event.text));
    case EventKind::URL:
      return note("opens " + shown(event.text));
    case EventKind::EXIT:
      return {Finding::ERROR,
              "the launcher ends here, with exit code " + std::to_string(event.code)};
  }
  return note(shown(event.text));
}

namespace {

void explainNoSpace(const std::string& text, std::vector<Finding>& findings) {
  const std::size_t tab = text.find('\t');
  const std::string word = text.substr(0, tab);
  const std::string meant = meantKeyword(word);
  bool keyword = false;
  for (const KeywordRule& rule : KEYWORDS) keyword = keyword || word == rule.word;
  if (tab != std::string::npos && (keyword || !meant.empty())) {
    findings.push_back(warning("a tab follows " + quoted(word) +
                               ": only a space separates a keyword from its value, so the "
                               "line is skipped"));
  } else if (keyword) {
    findings.push_back(warning(quoted(word) +
                               " without a value: a keyword needs a space after it (a space and "
                               "nothing more gives an empty value), so the line is skipped"));
  } else if (!meant.empty()) {
    findings.push_back(warning("no space, so the line is skipped; did you mean " + quoted(meant) +
                               " and a value?"));
  } else {
    findings.push_back(warning("no space, so no keyword and value: the line is skipped"));
  }
}

void explainNoKeyword(const std::string& text, std::vector<Finding>& findings) {
  const std::string mark = "\xEF\xBB\xBF";
  if (text.compare(0, mark.size(), mark) == 0 &&
      parseConfigLine(text.substr(mark.size())).kind == LineKind::KEYWORD) {
    findings.push_back(
        warning("a byte order mark (EF BB BF) stands before the keyword: only "
                "one at the very start of a file is skipped, so the line is "
                "ignored"));
    return;
  }
  const std::size_t start = text.find_first_not_of(' ');
  if (start > 0 && start != std::string::npos) {
    const ConfigLine trimmed = parseConfigLine(text.substr(start));
    if (trimmed.kind == LineKind::KEYWORD) {
      findings.push_back(
          warning("begins with a space: a keyword must stand at the very start "
                  "of the line, so the line is ignored"));
      return;
    }
  }
  const std::string word = text.substr(0, text.find(' '));
  const std::string meant = meantKeyword(word);
  if (meant.empty()) {
    findings.push_back(warning("no keyword: the line is ignored"));
  } else if (lowered(word) == lowered(meant)) {
    findings.push_back(warning("no keyword: " + quoted(word) + " is not " + quoted(meant) +
                               "; keywords are written exactly, in this letter case"));
  } else {
    findings.push_back(
        warning("no keyword: the line is ignored; did you mean " + quoted(meant) + "?"));
  }
}

void explainVersionLine(const ConfigLine& parsed, const Line& line,
                        std::vector<Finding>& findings) {
  std::optional<std::string> chosen;
  bool found = false;
  for (const Change& change : line.changes) {
    if (change.field == "javaVersion") chosen = change.after;
    if (change.field == "javaPath" && change.after) found = true;
  }
  if (!found) chosen.reset();
  const std::vector<Finding> more = explainJavaVersion(expandedValue(parsed), chosen);
  findings.insert(findings.end(), more.begin(), more.end());
  bool lookedUp = false;  // a lookup that found nothing tells, or ends the launcher
  for (const Event& event : line.events) {
    lookedUp = lookedUp || event.kind == EventKind::NOTICE || event.kind == EventKind::EXIT;
  }
  if (!found && !lookedUp && launchSettings.bundledRuntime) {
    findings.push_back(
        note("not looked up: the application's own runtime (bundledRuntime) is "
             "the Java command, so nothing is searched"));
  }
}

void explainBundledRuntime(const ConfigLine& parsed, const Line& line,
                           std::vector<Finding>& findings) {
  const BundledRuntime runtime = examineBundledRuntime(expandedValue(parsed));
  if (!runtime.missing.empty()) {
    findings.push_back(
        warning("the application's own runtime is not used: " + shown(runtime.missing) +
                " is missing, so the launcher finds a runtime as without this line"));
  } else if (line.changes.empty()) {
    findings.push_back(
        note("the application's own runtime at " + shown(runtime.home) + ", as before"));
  }
}

void explainKeyword(const ConfigLine& parsed, const Line& line, std::vector<Finding>& findings) {
  const KeywordRule& rule = *parsed.rule;
  const std::string word = parsed.text.substr(0, parsed.text.find(' '));
  if (word != rule.word) {
    findings.push_back(warning(quoted(word) + " is taken as " + quoted(rule.word) +
                               ": a line that begins with a keyword is that keyword's line"));
  }
  if (rule.expand) {
    const std::string name = referencedVariable(parsed.value);
    std::string value;
    if (!name.empty() && !platform::environmentValue(name, value)) {
      // An optional file behind a variable that is not set is simply not there.
      const std::string text =
          "$" + name + " is not set, so the value is used as written: " + shown(parsed.value);
      findings.push_back(rule.keyword == Keyword::OPTIONAL_INCLUDE ? note(text) : warning(text));
    }
  } else if (parsed.value.find('$') != std::string::npos) {
    findings.push_back(note(std::string("\"") + rule.word +
                            "\" values are not expanded: \"$\" is passed on as written"));
  }
  if (rule.keyword == Keyword::JAVAVERSION) explainVersionLine(parsed, line, findings);
  if (rule.keyword == Keyword::BUNDLED_RUNTIME) {
    explainBundledRuntime(parsed, line, findings);
    for (const Change& change : line.changes) findings.push_back(note(describeText(change)));
    return;
  }
  for (const Change& change : line.changes) {
    findings.push_back(note(change.list ? describeList(change) : describeText(change)));
  }
  if (!line.changes.empty()) return;

  // Nothing changed: why.
  if (rule.keyword == Keyword::ADDJARS) {
    std::string directory;
    for (char c : expandedValue(parsed)) {
      if (c != '"') directory += c;
    }
    const PathKind kind = pathKind(directory);
    const char* why = kind == PathKind::MISSING     ? " does not exist"
                      : kind == PathKind::DIRECTORY ? " holds no file ending in .jar"
                                                    : " is not a directory";
    findings.push_back(warning("adds no jar: " + quoted(directory) + why));
    return;
  }
  if (rule.keyword == Keyword::OPTIONAL_INCLUDE) {
    bool read = false;
    for (const Event& event : line.events) read = read || event.kind == EventKind::INCLUDE;
    if (!read) {
      findings.push_back(note("optional, not present: " + quoted(expandedValue(parsed)) +
                              "; the launcher goes on without it"));
    }
    return;
  }
  // A list line always appends; a text line that changed nothing set what was there.
  if (listOf(rule.keyword) == nullptr && rule.keyword != Keyword::INCLUDE && line.events.empty()) {
    findings.push_back(note("sets " + std::string(rule.word) +
                            " to the value it has already: " + quoted(expandedValue(parsed))));
  }
}

}  // namespace

std::string shown(const std::string& text) {
  static const char HEX[] = "0123456789abcdef";
  std::string result;
  for (std::size_t i = 0; i < text.size() && result.size() < SHOWN_LENGTH; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\t') {
      result += "\\t";
    } else if (c == '\r') {
      result += "\\r";
    } else if (c == '\n') {
      result += "\\n";
    } else if (c < 0x20 || c == 0x7f) {
      result += "\\x";
      result += HEX[c >> 4];
      result += HEX[c & 15];
    } else {
      result += static_cast<char>(c);
    }
  }
  if (result.size() >= SHOWN_LENGTH && text.size() > SHOWN_LENGTH) {
    result += "... (" + std::to_string(text.size()) + " bytes)";
  }
  return result;
}

std::string readText(const Line& line) {
  std::string text = line.bytes;
  const std::size_t stop = text.find('\x1a');
  if (stop != std::string::npos) {
    text.resize(stop);
  } else if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) {
    text.erase(text.size() - 2, 1);
  }
  return text;
}

std::string appliedText(const Line& line) {
  std::string text = readText(line);
  takeAsUtf8(text);
  return text;
}

std::string meantKeyword(const std::string& word) {
  std::string best;
  std::size_t bestDistance = 3;
  const std::string lowerWord = lowered(word);
  for (const KeywordRule& rule : KEYWORDS) {
    const std::string keyword = lowered(rule.word);
    if (lowerWord == keyword) return rule.word;
    if (word.size() < 4) continue;
    const std::size_t d = distance(lowerWord, keyword);
    if (d < bestDistance) {
      bestDistance = d;
      best = rule.word;
    }
  }
  return best;
}

std::vector<Finding> explainLine(const Observation& observation, const FileRead&,
                                 const Line& line) {
  std::vector<Finding> findings;
  const std::string text = appliedText(line);
  const ConfigLine parsed = parseConfigLine(text);
  std::string withoutFeed = text;
  if (!withoutFeed.empty() && withoutFeed.back() == '\n') withoutFeed.pop_back();
  if (parsed.text.size() < withoutFeed.size()) {
    findings.push_back(warning("a NUL byte ends the line's text: what follows it is not used"));
  }
  const std::string raw = readText(line);
  if (!isValidUtf8(raw)) {
    findings.push_back(note(text != raw ? "not UTF-8: read in the system's legacy code page"
                                        : "not UTF-8: its bytes are passed on as they are"));
  }
  switch (parsed.kind) {
    case LineKind::EMPTY:
      if (findings.empty()) findings.push_back(note("blank line"));
      break;
    case LineKind::COMMENT:
      findings.push_back(note("comment"));
      break;
    case LineKind::NO_SPACE:
      explainNoSpace(parsed.text, findings);
      break;
    case LineKind::NO_KEYWORD:
      explainNoKeyword(parsed.text, findings);
      break;
    case LineKind::KEYWORD:
      explainKeyword(parsed, line, findings);
      break;
  }
  for (const Event& event : line.events) findings.push_back(explainEvent(observation, event));
  return findings;
}

std::optional<std::string> keywordValueOf(const Line& line, Keyword keyword) {
  if (!line.complete) return std::nullopt;
  const ConfigLine parsed = parseConfigLine(appliedText(line));
  if (parsed.kind != LineKind::KEYWORD || parsed.rule->keyword != keyword) return std::nullopt;
  return expandedValue(parsed);
}

std::optional<std::string> requiredVersionOf(const Line& line) {
  return keywordValueOf(line, Keyword::JAVAVERSION);
}

std::string explainRequirement(const std::string& required, const std::string& version) {
  // A runtime goes by its version and, as its family's highest, by its family.
  const std::string family = versionFamily(version);
  const bool satisfied = satisfiesVersion(required, version) || satisfiesVersion(required, family);
  const std::string verdict =
      (satisfied ? "satisfies " : "does not satisfy ") + ("javaVersion " + shown(required)) + ": ";
  const VersionForm versionRule = versionForm(required);
  if (versionRule == VersionForm::MINIMUM) {
    return verdict + (satisfied ? "it is at least " : "it is below ") + shown(minimumOf(required));
  }
  if (versionRule == VersionForm::EXACT) {
    return verdict + (satisfied ? "it is exactly that version"
                                : "only a runtime of exactly that version does");
  }
  const std::string prefix = versionPrefix(required);
  if (versionRule == VersionForm::PREFIX) {
    return verdict + (satisfied ? "its version begins with it"
                                : "its version does not begin with " + shown(prefix));
  }
  const int level = patchLevel(required);
  if (satisfied) {
    return verdict + "update " + std::to_string(patchLevel(version)) + " is at least " +
           std::to_string(level);
  }
  const bool prefixed = version.compare(0, prefix.size(), prefix) == 0 ||
                        family.compare(0, prefix.size(), prefix) == 0;
  return verdict + (prefixed ? "its update is below " + std::to_string(level)
                             : "its version does not begin with " + shown(prefix));
}

}  // namespace carafe::check
