// The runtime that a required version names: exact, highest patch level, or
// minimum patch level, resolved against the installed runtime keys.
#include "runtime/required_lookup.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/settings.h"
#include "fake_platform.h"
#include "runtime/versions.h"

namespace carafe {
namespace {

using fake::Notice;
using fake::state;
using platform::NoticeStyle;

const std::string BASE_KEY = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
const char* const NOT_FOUND = "Java Runtime Environment Not Found";
const char* const INCOMPATIBLE = "Incompatible JRE Version Found";

std::string homeOf(const std::string& version) { return "C:\\jre" + version; }

struct Outcome {
  std::optional<std::string> javaPath;
  int exitCode = 0;  // 0: returned
};

Outcome lookUp() {
  Outcome outcome;
  try {
    outcome.javaPath = findRequiredJava();
  } catch (const fake::FakeExit& exit) {
    outcome.exitCode = exit.code;
  }
  return outcome;
}

struct LookupCase {
  std::string required;
  bool baseKey;
  std::vector<std::string> installed;  // in enumeration order
  std::string chosen;                  // javaVersion afterwards
  bool found;                          // the chosen runtime's Java command is returned
  int exitCode;
  std::string offer;  // caption of the download offer; empty: none
};

TEST(FindRequiredJava, ResolvesTheRequiredVersionAgainstTheInstalledRuntimes) {
  const std::string longName = "1.5.0_09" + std::string(247, 'x');  // 255 characters
  const std::string longestName = longName.substr(0, 254);          // fits the room of 255
  const LookupCase cases[] = {
      {"1.5.0_06", true, {"1.5.0_06"}, "1.5.0_06", true, 0, ""},
      {"1.5.0_06", true, {"1.5.0_10"}, "1.5.0_06", false, 0, NOT_FOUND},
      {"1.5.0_06+", true, {"1.5.0_04", "1.5.0_06", "1.5.0_10"}, "1.5.0_10", true, 0, ""},
      {"1.5.0_06+", true, {"1.5.0_06"}, "1.5.0_06", true, 0, ""},
      {"1.5.0_06+", true, {"1.5.0_04"}, "1.5.0_06+", false, 11, INCOMPATIBLE},
      {"1.5.0", true, {"1.5.0"}, "1.5.0", true, 0, ""},
      {"1.5.0", true, {"1.5.0_06"}, "1.5.0_06", true, 0, ""},
      {"1.5.0_00+", true, {"1.5.0_00"}, "1.5.0_00+", false, 0, NOT_FOUND},
      {"1.4", true, {"1.4.1_10", "1.4.2_08"}, "1.4.1_10", true, 0, ""},
      // The minimum form: the highest version of at least the one named, "1.x" counting as x.
      {"1.5+", true, {"1.5.0_06"}, "1.5.0_06", true, 0, ""},
      {"1.8+", true, {"1.8", "1.8.0_452", "11", "11.0.2", "17", "17.0.15"}, "17.0.15", true, 0, ""},
      {"17+", true, {"1.8.0_452", "17.0.15", "25.0.3", "21.0.5", "25"}, "25.0.3", true, 0, ""},
      {"11.0.20+", true, {"11.0.2", "11.0.21", "11.0.3", "1.8.0_452"}, "11.0.21", true, 0, ""},
      {"17+", true, {"17.0.0", "17"}, "17", true, 0, ""},  // equal: the last enumerated
      {"17+", true, {"jre", "17.0.2", "17-x"}, "17.0.2", true, 0, ""},
      {"11.0.20+", true, {"11.0.19", "11", "1.8.0_452"}, "11.0.20+", false, 11, INCOMPATIBLE},
      {"99+", true, {"17.0.15", "17"}, "99+", false, 11, INCOMPATIBLE},
      {"17+", true, {}, "17+", false, 11, NOT_FOUND},
      {"17+", false, {}, "17+", false, 11, NOT_FOUND},
      {"abc+", true, {"abc+1"}, "abc+", false, 0, NOT_FOUND},  // no version: a classic prefix
      {"1.5", true, {"1.5.0_06", "1.50_01"}, "1.5.0_06", true, 0, ""},
      {"1.5", true, {"1.5.0_06", "1.5.1_06"}, "1.5.1_06", true, 0, ""},
      {"_06+", true, {"1.4.2_08", "1.5.0_06"}, "1.4.2_08", true, 0, ""},
      {"1.5", true, {longName, "1.5.0_02"}, "1.5.0_02", true, 0, ""},
      {"1.5", true, {"1.5.0_02", longestName}, longestName, true, 0, ""},
      {"1.5.0", false, {}, "1.5.0", false, 11, NOT_FOUND},
      {"1.5.0_06", false, {}, "1.5.0_06", false, 0, NOT_FOUND},
      {"", true, {"1.5.0_06"}, "", false, 0, ""},
  };
  for (const LookupCase& c : cases) {
    SCOPED_TRACE(c.required + " among " + std::to_string(c.installed.size()));
    fake::reset();
    if (c.baseKey) fake::addRuntimeBase();
    for (const std::string& name : c.installed) fake::addRuntime(name, homeOf(name));
    launchSettings.mainClass = "app.Main";
    launchSettings.javaVersion = c.required;
    const Outcome outcome = lookUp();
    EXPECT_EQ(launchSettings.javaVersion, c.chosen);
    EXPECT_EQ(outcome.exitCode, c.exitCode);
    EXPECT_EQ(
        outcome.javaPath,
        c.found ? std::optional<std::string>(homeOf(c.chosen) + "\\bin\\javaw.exe") : std::nullopt);
    if (c.offer.empty()) {
      EXPECT_TRUE(state().notices.empty());
    } else {
      const std::vector<Notice> expected = {
          {c.offer,
           "app.Main requires the Java Runtime Environment version " + c.required +
               "\nDo you want to download it?",
           NoticeStyle::ERROR_QUESTION}};
      EXPECT_EQ(state().notices, expected);
    }
    EXPECT_EQ(state().keysOpen, 0);
  }
}

TEST(FindRequiredJava, TracesTheResolutionWhateverTheMode) {
  fake::reset();
  for (const char* name : {"1.5.0_04", "1.6.0_01", "1.5.0", "1.5.0_06", "1.5.0_10"}) {
    fake::addRuntime(name, homeOf(name));
  }
  launchSettings.javaVersion = "1.5.0_06+";
  EXPECT_EQ(lookUp().javaPath, "C:\\jre1.5.0_10\\bin\\javaw.exe");
  EXPECT_EQ(state().traceLines,
            "javaVersion=1.5.0_06+, javaVer=1.5.0\n"
            "checking (1) 1.5.0_04\n"
            "found correct java version 1.5.0_04. checking patch level\n"
            "checking patch level 4 against 6\n"
            "checking (2) 1.6.0_01\n"
            "checking (3) 1.5.0\n"
            "found correct java version 1.5.0. checking patch level\n"
            "No patch level found in 1.5.0\n"
            "checking (4) 1.5.0_06\n"
            "found correct java version 1.5.0_06. checking patch level\n"
            "checking patch level 6 against 6\n"
            "found latest java version 1.5.0_06\n"
            "checking (5) 1.5.0_10\n"
            "found correct java version 1.5.0_10. checking patch level\n"
            "checking patch level 10 against 6\n"
            "found latest java version 1.5.0_10\n");
  EXPECT_TRUE(state().notices.empty());

  fake::reset();
  fake::addRuntime("1.5.0_06", homeOf("1.5.0_06"));
  launchSettings.javaVersion = "1.5.0_06";
  lookUp();
  EXPECT_EQ(state().traceLines, "");  // an exact version enumerates nothing

  for (const bool found : {true, false}) {
    fake::reset();
    for (const char* name : {"1.8.0_452", "21.0.5", "17.0.15"})
      fake::addRuntime(name, homeOf(name));
    launchSettings.javaVersion = found ? "17+" : "25+";
    lookUp();
    EXPECT_EQ(state().traceLines, std::string("javaVersion=") +
                                      (found ? "17+, javaVer=17\n" : "25+, javaVer=25\n") +
                                      "checking (1) 1.8.0_452\n"
                                      "checking (2) 21.0.5\n"
                                      "checking (3) 17.0.15\n" +
                                      (found ? "found latest java version 21.0.5\n" : ""));
  }
}

struct OrderCase {
  std::string a;
  std::string b;
  int order;  // of a against b
};

TEST(CompareFeatureVersions, ComparesNumberByNumberWithOnePointXAsX) {
  const OrderCase cases[] = {
      {"1.8.0_452", "8", 1},
      {"1.8", "8.0.0", 0},
      {"1.8.0_452", "11", -1},
      {"11.0.3", "11.0.20", -1},
      {"017", "17", 0},
      {"1.10", "9", 1},
      {"17-ea", "17", 0},
      {"jre", "1", -1},
      {"", "jre", 0},
      {"1_06", "6", -1},
      {"99999999999999999999", "9", 1},
      {"25.0.3", "25", 1},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.a + " against " + c.b);
    const int order = compareVersions(c.a, c.b);
    EXPECT_EQ((order > 0) - (order < 0), c.order);
    const int reverse = compareVersions(c.b, c.a);
    EXPECT_EQ((reverse > 0) - (reverse < 0), -c.order);
  }
}

TEST(FindRequiredJava, TracesTheResolutionOnATerminalInDebugModeOnly) {
  // Where trace lines go to standard error (POSIX, the console program), they
  // would fill every run of a command-line application; the GUI programs'
  // standard output is seen only by whoever captures it.
  struct Case {
    const platform::Conventions* conventions;
    bool debug;
    bool traced;
  };
  const Case cases[] = {
      {&platform::WINDOWS_CONVENTIONS, false, true},
      {&platform::WINDOWS_CONSOLE_CONVENTIONS, false, false},
      {&platform::WINDOWS_CONSOLE_CONVENTIONS, true, true},
      {&platform::POSIX_CONVENTIONS, false, false},
      {&platform::POSIX_CONVENTIONS, true, true},
  };
  const std::string SEARCH =
      "javaVersion=1.5.0, javaVer=1.5.0\n"
      "checking (1) 1.5.0_06\n"
      "found correct java version 1.5.0_06. checking patch level\n"
      "checking patch level 6 against 0\n"
      "found latest java version 1.5.0_06\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.conventions->name) + (c.debug ? " -d" : ""));
    fake::reset(*c.conventions);
    fake::addRuntime("1.5.0_06", homeOf("1.5.0_06"));
    launchSettings.javaVersion = "1.5.0";
    launchSettings.debugMode = c.debug;
    lookUp();
    // In debug mode the wider search's own lines may follow.
    EXPECT_EQ(state().traceLines.substr(0, SEARCH.size()), c.traced ? SEARCH : "");
  }
}

struct FailureCase {
  const char* name;
  std::string required;
  std::function<void()> registry;
  std::vector<Notice> debugNotices;  // shown first, in debug mode only
  std::vector<Notice> notices;       // shown in every mode
  int exitCode;
};

TEST(FindRequiredJava, ReportsFailuresAndNamesTheFailingStepInDebugMode) {
  const std::string keyPath = BASE_KEY + "\\1.5.0_06";
  const Notice accessNotice = {"Error Accessing Registry!", "Java Current Version",
                               NoticeStyle::ERROR};
  const auto offer = [](const char* version) {
    return Notice{NOT_FOUND,
                  std::string("app.Main requires the Java Runtime Environment version ") + version +
                      "\nDo you want to download it?",
                  NoticeStyle::ERROR_QUESTION};
  };
  const FailureCase cases[] = {
      {"no version key",
       "1.5.0_06",
       [] { fake::addRuntime("1.4.2_08", "C:\\jre"); },
       {{"JavaInstallRegPath", keyPath, NoticeStyle::PLAIN}, accessNotice},
       {offer("1.5.0_06")},
       0},
      {"no base key during resolution", "1.5.0", [] {}, {accessNotice}, {offer("1.5.0")}, 11},
      {"no JavaHome",
       "1.5.0_06",
       [&] { fake::registryKey(keyPath); },
       {{"JavaInstallRegPath", keyPath, NoticeStyle::PLAIN},
        {"Error Reading Registry!", "Java Home Directory", NoticeStyle::ERROR}},
       {{"Error!", "No Java Home Directory Found for " + keyPath + " ", NoticeStyle::ERROR}},
       0},
  };
  for (const bool debug : {false, true}) {
    for (const FailureCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (debug ? " (debug)" : ""));
      fake::reset();
      c.registry();
      launchSettings.debugMode = debug;
      launchSettings.mainClass = "app.Main";
      launchSettings.javaVersion = c.required;
      const Outcome outcome = lookUp();
      EXPECT_EQ(outcome.exitCode, c.exitCode);
      EXPECT_EQ(outcome.javaPath, std::nullopt);
      std::vector<Notice> expected = debug ? c.debugNotices : std::vector<Notice>{};
      expected.insert(expected.end(), c.notices.begin(), c.notices.end());
      EXPECT_EQ(state().notices, expected);
      EXPECT_EQ(state().keysOpen, 0);
    }
  }
}

TEST(FindRequiredJava, ShowsTheKeyPathAndStartsTheConsoleJavaInDebugMode) {
  fake::reset();
  fake::addRuntime("1.5.0_06", "C:\\Program Files\\jre");
  launchSettings.debugMode = true;
  launchSettings.javaVersion = "1.5.0";
  EXPECT_EQ(lookUp().javaPath, "\"C:\\Program Files\\jre\\bin\\java.exe\"");
  const std::vector<Notice> expected = {
      {"JavaInstallRegPath", BASE_KEY + "\\1.5.0_06", NoticeStyle::PLAIN}};
  EXPECT_EQ(state().notices, expected);
}

}  // namespace
}  // namespace carafe
