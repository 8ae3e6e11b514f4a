// The configuration file reader: line format, keywords, includes, limits.
#include "config/reader.h"

#include <gtest/gtest.h>

#include "core/settings.h"
#include "fake_platform.h"

namespace carafe {
namespace {

using fake::Notice;
using fake::state;
using platform::NoticeStyle;
using Texts = std::vector<std::string>;
using Text = std::optional<std::string>;

// Reads app.config; an exit of the process gives 100 + its code.
int read(const std::string& content) {
  state().files["app.config"] = content;
  try {
    return readConfigFile("app.config");
  } catch (const fake::FakeExit& exit) {
    return 100 + exit.code;
  }
}

struct LineCase {
  const char* name;
  std::string content;
  Texts vmParams;
  Texts vmPaths;
  Texts arguments;
  Text mainClass;
  Text appName;
  Text javaPath;
};

TEST(ReadConfigFile, AppliesEachLineByItsKeyword) {
  const std::string longValue = "-D" + std::string(4998, 'x');
  const LineCase cases[] = {
      {"comments and blank lines", "# c\n// c\n\n/x y\n\r\n", {}, {}, {}, {}, {}, {}},
      {"last line without a line feed",
       "mainclass com.example.Main",
       {},
       {},
       {},
       "com.example.Main",
       {},
       {}},
      {"carriage return before the line feed dropped",
       "mainclass a\r\nappname b\rc\n",
       {},
       {},
       {},
       "a",
       "b\rc",
       {}},
      {"keyword alone, keyword and one space", "mainclass\nappname \n", {}, {}, {}, {}, "", {}},
      {"letter case and leading spaces",
       "Mainclass x\n  mainclass x\nvmparam\t-Xmx1m\n",
       {},
       {},
       {},
       {},
       {},
       {}},
      {"keyword compared by its length only",
       "vmparams -Xmx256m\nappnamex y\n",
       {"-Xmx256m"},
       {},
       {},
       {},
       "y",
       {}},
      {"spaces belong to the value",
       "vmparam  -Xmx256m\nmainclass Main  \n",
       {" -Xmx256m"},
       {},
       {},
       "Main  ",
       {},
       {}},
      {"addjars before addjar; addpath and addjar in line order",
       "addpath a\naddjars nowhere\naddjar lib/a.jar\naddpath c\n",
       {},
       {"a", "lib/a.jar", "c"},
       {},
       {},
       {},
       {}},
      {"argument is not expanded, addpath is",
       "argument $HOME\\x\naddpath $HOME\\x\naddpath C:\\lib\\a.jar\n",
       {},
       {"C:/me/x", "C:\\lib\\a.jar"},
       {"$HOME\\x"},
       {},
       {},
       {}},
      {"quoting by keyword",
       "javapath $JDK\\bin\\java.exe\nmainclass $JDK\nvmparam -Dj=$JDK\nargument a b\n",
       {"-Dj=\"C:/Program Files/jdk\""},
       {},
       {"a b"},
       "C:/Program Files/jdk",
       {},
       "\"C:/Program Files/jdk/bin/java.exe\""},
      {"a later scalar replaces an earlier one",
       "mainclass A\nmainclass B\njavapath j\n",
       {},
       {},
       {},
       "B",
       {},
       "j"},
      {"Ctrl-Z ends the file", "mainclass A\x1a\nmainclass B\n", {}, {}, {}, "A", {}, {}},
      {"a line of any length is read whole",
       "vmparam " + longValue + "\nmainclass M\n",
       {longValue},
       {},
       {},
       "M",
       {},
       {}},
      {"a UTF-8 byte order mark before the first line is skipped",
       "\xEF\xBB\xBFmainclass A\nappname Zo\xC3\xAB \xE2\x98\x95\n",
       {},
       {},
       {},
       "A",
       "Zo\xC3\xAB \xE2\x98\x95",
       {}},
      {"a byte order mark after the start is part of its line",
       "mainclass A\n\xEF\xBB\xBF"
       "appname x\n",
       {},
       {},
       {},
       "A",
       {},
       {}},
      {"a line that is not UTF-8 is taken in the legacy code page",
       "appname Caf\xE9\nmainclass Zo\xC3\xAB\n",
       {},
       {},
       {},
       "Zo\xC3\xAB",
       "Caf\xC3\xA9",
       {}},
      {"an optional file that is there is read in its place",
       "vmparam -Xmx512m\noptionalInclude $HOME\\user.config\nvmparam -Xss1m\n",
       {"-Xmx512m", "-Xmx4g", "-Xss1m"},
       {},
       {},
       {},
       {},
       {}},
      {"an optional file that is not there is passed over without a word",
       "optionalInclude $HOME\\absent.config\noptionalInclude $NOT_SET\\user.config\nmainclass M\n",
       {},
       {},
       {},
       "M",
       {},
       {}},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset();
    state().legacyCodePage = true;
    state().environment = {"HOME=C:\\me", "JDK=C:\\Program Files\\jdk"};
    state().files["C:/me/user.config"] = "vmparam -Xmx4g\n";
    EXPECT_EQ(read(c.content), 0);
    EXPECT_EQ(launchSettings.vmParams.entries, c.vmParams);
    EXPECT_EQ(launchSettings.vmPaths.entries, c.vmPaths);
    EXPECT_EQ(launchSettings.arguments.entries, c.arguments);
    EXPECT_EQ(launchSettings.mainClass, c.mainClass);
    EXPECT_EQ(launchSettings.appName, c.appName);
    EXPECT_EQ(launchSettings.javaPath, c.javaPath);
    EXPECT_TRUE(state().notices.empty());
    EXPECT_EQ(state().standardError, "");
    EXPECT_EQ(state().filesOpen, 0);
  }
}

struct VersionCase {
  const char* name;
  std::string content;
  int result;
  Text javaPath;
  std::size_t notices;
  Texts vmParams;  // the lines above an exit have taken effect, those after it not
};

TEST(ReadConfigFile, LooksUpARequiredVersionWhenItsLineIsRead) {
  const VersionCase cases[] = {
      {"lookup after javapath wins",
       "javapath C:\\j\\java.exe\njavaVersion 1.5\n",
       0,
       "C:\\jre\\bin\\javaw.exe",
       0,
       {}},
      {"javapath after the lookup wins",
       "javaVersion 1.5\njavapath C:\\j\\java.exe\n",
       0,
       "C:\\j\\java.exe",
       0,
       {}},
      {"empty version", "vmparam a\njavaVersion \nvmparam b\n", 105, {}, 0, {"a"}},
      {"exact version not installed", "javaVersion 1.5.0_07\nvmparam b\n", 105, {}, 1, {}},
      {"minimum patch level not reached", "javaVersion 1.5.0_07+\n", 111, {}, 1, {}},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset();
    fake::addRuntime("1.5.0_06", "C:\\jre");
    EXPECT_EQ(read(c.content), c.result);
    EXPECT_EQ(launchSettings.javaPath, c.javaPath);
    EXPECT_EQ(state().notices.size(), c.notices);
    EXPECT_EQ(launchSettings.vmParams.entries, c.vmParams);
    EXPECT_EQ(state().filesOpen, 0);
    EXPECT_EQ(state().keysOpen, 0);
  }
}

struct PageCase {
  const char* name;
  std::string content;
  Text downloadUrl;
  Texts refused;  // the lines named in a notice each
};

TEST(ReadConfigFile, TakesTheDownloadPageFromTheLastWebAddress) {
  const PageCase cases[] = {
      {"unset", "mainclass M\n", {}, {}},
      {"set", "downloadUrl https://example.com/app/java\n", "https://example.com/app/java", {}},
      {"the last line wins",
       "downloadUrl https://a.example/\ndownloadUrls HTTP://B.example/x\n",
       "HTTP://B.example/x",
       {}},
      {"expanded like mainclass", "downloadUrl $SITE\\java\n", "https://x.example/j/java", {}},
      {"not http or https, refused",
       "downloadUrl https://a.example/\ndownloadUrl file:///C:/setup.exe\ndownloadUrl "
       "javascript:x\ndownloadUrl \ndownloadUrl https://\n",
       "https://a.example/",
       {"downloadUrl file:///C:/setup.exe", "downloadUrl javascript:x", "downloadUrl ",
        "downloadUrl https://"}},
      {"a space or a quote would split the command",
       "downloadUrl https://a.example/x y\ndownloadUrl https://a.example/\"x\n",
       {},
       {"downloadUrl https://a.example/x y", "downloadUrl https://a.example/\"x"}},
  };
  for (const PageCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset();
    state().environment = {"SITE=https://x.example/j"};
    EXPECT_EQ(read(c.content), 0);
    EXPECT_EQ(launchSettings.downloadUrl, c.downloadUrl);
    std::vector<Notice> expected;
    for (const std::string& line : c.refused) {
      expected.push_back({"Error",
                          "Can't use the line \"" + line +
                              "\": the download page must be an http or https address.\n"
                              "The line is skipped.",
                          NoticeStyle::ERROR});
    }
    EXPECT_EQ(state().notices, expected);
  }
}

TEST(ReadConfigFile, ReadsIncludedFilesInPlace) {
  fake::reset();
  launchSettings.debugMode = true;
  state().environment = {"CONF=C:\\cfg"};
  state().files["C:/cfg/more.config"] = "vmparam -Xss1m\ninclude missing.config\nvmparam -Xss2m";
  EXPECT_EQ(read("vmparam -Xms32m\ninclude $CONF\\more.config\nvmparam -Xmx512m\n"
                 "optionalInclude user.config\n"),
            0);
  EXPECT_EQ(launchSettings.vmParams.entries, (Texts{"-Xms32m", "-Xss1m", "-Xss2m", "-Xmx512m"}));
  const std::vector<Notice> expected = {
      {"Reading Config file", "app.config", NoticeStyle::PLAIN},
      {"Parse Path", "arg [$CONF\\more.config] expanded to [C:\\cfg\\more.config]\n",
       NoticeStyle::PLAIN},
      {"Reading Config file", "C:/cfg/more.config", NoticeStyle::PLAIN},
      {"Reading Config file", "missing.config", NoticeStyle::PLAIN},
  };
  EXPECT_EQ(state().notices, expected);
  EXPECT_EQ(state().standardError, "Can't open missing.config Error No such file or directory\n");
  // An optional file that is not there is said in debug mode only.
  EXPECT_EQ(state().traceLines, "optional configuration file user.config is not present\n");
  EXPECT_EQ(state().filesOpen, 0);
}

TEST(ReadConfigFile, ReadsAFileIncludedTwiceOneAfterTheOtherTwice) {
  fake::reset();
  state().files["more.config"] = "vmparam m\n";
  EXPECT_EQ(read("include more.config\ninclude more.config\n"), 0);
  EXPECT_EQ(launchSettings.vmParams.entries, (Texts{"m", "m"}));
  EXPECT_TRUE(state().notices.empty());
}

TEST(ReadConfigFile, RefusesAFileSavedAsUtf16AsAFileThatCannotBeRead) {
  const std::string notice =
      ": it is saved as UTF-16 (\"Unicode\").\nSave it as UTF-8 and start again.";
  for (const std::string& mark : {std::string("\xFF\xFE"), std::string("\xFE\xFF")}) {
    SCOPED_TRACE(mark);
    fake::reset();
    EXPECT_EQ(read(mark + std::string("m\0a\0i\0n\0", 8)), 1);
    EXPECT_EQ(
        state().notices,
        (std::vector<Notice>{{"Error", "Can't read app.config" + notice, NoticeStyle::ERROR}}));

    // An included one is skipped, and reading goes on.
    fake::reset();
    state().files["wide.config"] = mark + "vmparam x\n";
    EXPECT_EQ(read("vmparam a\ninclude wide.config\nvmparam b\n"), 0);
    EXPECT_EQ(launchSettings.vmParams.entries, (Texts{"a", "b"}));
    EXPECT_EQ(
        state().notices,
        (std::vector<Notice>{{"Error", "Can't read wide.config" + notice, NoticeStyle::ERROR}}));
    EXPECT_EQ(state().filesOpen, 0);
  }
}

TEST(ReadConfigFile, ReportsAFileThatCannotBeOpenedOnStandardError) {
  fake::reset();
  state().openErrors["app.config"] = "Permission denied";
  EXPECT_EQ(readConfigFile("app.config"), 1);
  EXPECT_EQ(state().events, Texts{"err Can't open app.config Error Permission denied\n"});
}

struct CycleCase {
  const char* name;
  std::map<std::string, std::string> files;  // besides app.config
  std::map<std::string, std::string> identities;
  std::string content;
  std::string skipped;  // the include named in the notice
  Texts vmParams;
};

TEST(ReadConfigFile, SkipsAnIncludeOfAFileThatIsBeingRead) {
  const CycleCase cases[] = {
      {"itself", {}, {}, "vmparam a\ninclude app.config\nvmparam b\n", "app.config", {"a", "b"}},
      {"through another file under another name",
       {{"b.config", "vmparam b1\ninclude .\\app.config\nvmparam b2\n"},
        {".\\app.config", "vmparam never\n"}},
       {{".\\app.config", "app.config"}},
       "vmparam a\ninclude b.config\nvmparam c\n",
       ".\\app.config",
       {"a", "b1", "b2", "c"}},
  };
  for (const CycleCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset();
    for (const auto& [path, content] : c.files) state().files[path] = content;
    state().identities = c.identities;
    EXPECT_EQ(read(c.content), 0);
    EXPECT_EQ(launchSettings.vmParams.entries, c.vmParams);
    ASSERT_EQ(state().notices.size(), 1u);
    EXPECT_EQ(state().notices[0].caption, "Error");
    EXPECT_EQ(state().notices[0].style, NoticeStyle::ERROR);
    EXPECT_NE(state().notices[0].text.find(c.skipped), std::string::npos);
    EXPECT_EQ(state().filesOpen, 0);
  }
}

TEST(ReadConfigFile, BoundsTheDepthOfIncludesAt32Files) {
  fake::reset();
  const auto name = [](int i) { return "f" + std::to_string(i) + ".config"; };
  for (int i = 1; i < 40; ++i) {
    state().files[name(i)] = "vmparam " + std::to_string(i) + "\ninclude " + name(i + 1) + "\n";
  }
  EXPECT_EQ(read("vmparam 0\ninclude " + name(1) + "\nvmparam end\n"), 0);
  ASSERT_EQ(launchSettings.vmParams.entries.size(), 33u);
  EXPECT_EQ(launchSettings.vmParams.entries[31], "31");
  EXPECT_EQ(launchSettings.vmParams.entries[32], "end");
  ASSERT_EQ(state().notices.size(), 1u);
  EXPECT_NE(state().notices[0].text.find(name(32)), std::string::npos);
  EXPECT_NE(state().notices[0].text.find("32"), std::string::npos);
  EXPECT_EQ(state().filesOpen, 0);
}

TEST(ReadConfigFile, BoundsTheFilesOfOneRunSoThatRepeatedIncludesCannotExplode) {
  // Each file includes the next one twice: 2^30 readings without a bound.
  fake::reset();
  const auto name = [](int i) { return "g" + std::to_string(i) + ".config"; };
  for (int i = 1; i < 30; ++i) {
    state().files[name(i)] = "include " + name(i + 1) + "\ninclude " + name(i + 1) + "\n";
  }
  state().files[name(30)] = "mainclass Deep\n";
  EXPECT_EQ(read("include " + name(1) + "\nmainclass Main\n"), 0);
  EXPECT_EQ(launchSettings.configFilesRead, MAX_CONFIG_FILES);
  EXPECT_EQ(launchSettings.mainClass, Text("Main"));
  ASSERT_EQ(state().notices.size(), 1u);
  EXPECT_EQ(state().notices[0], (Notice{"Error",
                                        "Can't include " + name(28) +
                                            ": 256 configuration files have been read already.\n"
                                            "This and every later include line are skipped.",
                                        NoticeStyle::ERROR}));
  EXPECT_EQ(state().filesOpen, 0);
}

TEST(ReadConfigFile, StoresEveryEntryOfALongListWithoutANotice) {
  fake::reset();
  std::string content;
  for (int i = 0; i < 102; ++i) {
    content += "vmparam p" + std::to_string(i) + "\nargument a" + std::to_string(i) + "\n";
  }
  EXPECT_EQ(read(content + "mainclass M\n"), 0);
  EXPECT_EQ(launchSettings.vmParams.entries.size(), 102u);
  EXPECT_EQ(launchSettings.vmParams.entries.back(), "p101");
  EXPECT_EQ(launchSettings.arguments.entries.size(), 102u);
  EXPECT_EQ(launchSettings.mainClass, "M");
  EXPECT_EQ(state().notices, std::vector<Notice>{});
}

// And "jvm", whose values are "launcher" and "separate", the last line's.
TEST(ReadConfigFile, TakesWorkingDirectoryCallerAndRefusesAnyOtherValue) {
  const struct {
    std::string content;
    std::optional<std::string> workingDirectory;
    std::string notice;  // empty: none
    std::optional<std::string> jvm = std::nullopt;
  } cases[] = {
      {"workingDirectory caller\n", "caller", ""},
      {"workingDirectory Caller\nmainclass M\n",
       {},
       "\"workingDirectory Caller\" is not understood: the only value is \"caller\".\n"
       "The line is skipped."},
      {"workingDirectory caller\nworkingDirectory launcher\n", "caller",
       "\"workingDirectory launcher\" is not understood: the only value is \"caller\".\n"
       "The line is skipped."},
      {"jvm launcher\n", {}, "", "launcher"},
      {"jvm launcher\njvm separate\n", {}, "", "separate"},
      {"jvm launcher\njvm inside\n",
       {},
       "\"jvm inside\" is not understood: the values are "
       "\"launcher\" and \"separate\".\nThe line is skipped.",
       "launcher"},
      {"jvm Launcher \n",
       {},
       "\"jvm Launcher \" is not understood: the values are "
       "\"launcher\" and \"separate\".\nThe line is skipped."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content);
    fake::reset();
    EXPECT_EQ(read(c.content), 0);
    EXPECT_EQ(launchSettings.workingDirectory, c.workingDirectory);
    EXPECT_EQ(launchSettings.jvm, c.jvm);
    if (c.notice.empty()) {
      EXPECT_TRUE(state().notices.empty());
    } else {
      EXPECT_EQ(state().notices,
                (std::vector<fake::Notice>{{"Error", c.notice, platform::NoticeStyle::ERROR}}));
    }
  }
}

}  // namespace
}  // namespace carafe
