// The launcher's run from the command line to its exit code.
#include <gtest/gtest.h>

#include "core/settings.h"
#include "fake_platform.h"
#include "runtime/discovery.h"

namespace carafe {
namespace {

using fake::Notice;
using fake::state;
using platform::NoticeStyle;
using Texts = std::vector<std::string>;

const std::string EDITOR = "C:\\Apps\\Editor\\Editor.exe";
const std::string EDITOR_CONFIG = "C:\\Apps\\Editor\\Editor.config";

void expectBalanced() {
  EXPECT_EQ(state().filesOpen, 0);
  EXPECT_EQ(state().searchesOpen, 0);
  EXPECT_EQ(state().keysOpen, 0);
}

struct TypicalCase {
  const platform::Conventions* conventions;
  std::string argumentZero;
  std::string configPath;
  std::string home;
  std::string command;
};

TEST(LauncherMain, StartsTheApplicationThatTheConfigurationDescribes) {
  const TypicalCase cases[] = {
      {&platform::WINDOWS_CONVENTIONS, EDITOR, EDITOR_CONFIG,
       "C:\\Program Files\\Java\\jre1.5.0_10",
       "\"C:\\Program Files\\Java\\jre1.5.0_10\\bin\\javaw.exe\" -Xmx64m -Dlibs=\"C:/My Libs\" "
       "-classpath \"C:/My Libs/x.jar\";lib/a.jar;lib/b.jar; app.Main file \"a b\" "},
      {&platform::POSIX_CONVENTIONS, "/opt/editor/editor", "/opt/editor/editor.config",
       "/usr/lib/jvm/jre1.5.0_10",
       "/usr/lib/jvm/jre1.5.0_10/bin/java -Xmx64m -Dlibs=\"C:/My Libs\" "
       "-classpath \"C:/My Libs/x.jar\":lib/a.jar:lib/b.jar: app.Main file \"a b\" "},
  };
  for (const TypicalCase& c : cases) {
    SCOPED_TRACE(c.conventions->name);
    fake::reset(*c.conventions);
    state().environment = {"LIBS=C:\\My Libs"};
    fake::addRuntime("1.5.0_04", "old");
    fake::addRuntime("1.5.0_10", c.home);
    state().directories["lib"] = {{"a.jar", false}, {"b.jar", false}};
    state().files[c.configPath] =
        "# the editor\nmainclass app.Main\nvmparam -Xmx64m\nvmparam -Dlibs=$LIBS\n"
        "addpath $LIBS\\x.jar\naddjars lib\njavaVersion 1.5.0_06+\nargument a b\n";
    EXPECT_EQ(fake::runLauncher({c.argumentZero, "file"}), 0);
    EXPECT_EQ(state().processes, Texts{c.command});
    EXPECT_TRUE(state().notices.empty());
    EXPECT_EQ(state().standardError, "");
    expectBalanced();
  }
}

struct ExitCase {
  const char* name;
  std::string config;  // absent file when empty
  bool runtime;
  platform::ProcessOutcome outcome;
  int exitCode;
  std::size_t started;
};

TEST(LauncherMain, EndsWithJavasExitCodeOrTheLaunchersOwn) {
  const ExitCase cases[] = {
      {"Java ends with 0", "mainclass M\n", true, {true, 0, 0, ""}, 0, 1},
      {"Java ends with 7", "mainclass M\n", true, {true, 7, 0, ""}, 7, 1},
      {"no configuration file", "", true, {true, 0, 0, ""}, 2, 0},
      {"no runtime", "mainclass M\n", false, {true, 0, 0, ""}, 2, 0},
      {"no main class", "vmparam x\n", true, {true, 0, 0, ""}, 2, 0},
      {"Java cannot be started", "mainclass M\n", true, {false, 0, 2, "not found"}, 2, 1},
      {"exact version not installed", "javaVersion 1.4.2_01\nmainclass M\n", true, {}, 5, 0},
      {"no runtime reaches the patch level", "javaVersion 1.5.0_07+\n", true, {}, 11, 0},
  };
  for (const ExitCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset();
    if (!c.config.empty()) state().files[EDITOR_CONFIG] = c.config;
    if (c.runtime) {
      fake::addRuntime("1.5.0_06", "C:\\jre");
      fake::setCurrentVersion("1.5.0_06");
    }
    state().processOutcome = c.outcome;
    EXPECT_EQ(fake::runLauncher({EDITOR}), c.exitCode);
    EXPECT_EQ(state().processes.size(), c.started);
    expectBalanced();
  }
}

TEST(LauncherMain, ShowsEveryStepInDebugMode) {
  fake::reset();
  state().files[EDITOR_CONFIG] =
      "mainclass app.Main\nvmparam -Xmx64m\naddpath lib/a.jar\naddjars lib\njavapath javaw\n"
      "argument two\n";
  state().directories["lib"] = {{"b.jar", false}};
  EXPECT_EQ(fake::runLauncher({EDITOR, "one", "-d"}), 0);
  const Texts expected = {
      "notice Version: 1.0.7",
      "notice LpCmdLine: [" + EDITOR + "]",
      "notice CWD: C:\\Apps\\Editor",
      "trace reading app config " + EDITOR_CONFIG + "\n",
      "notice Reading App Config file: [" + EDITOR_CONFIG + "]",
      "notice Reading Config file: " + EDITOR_CONFIG,
      "trace adding jar lib/b.jar\n",
      "notice MainClass is: app.Main",
      "trace vmparam 0=-Xmx64m\n",
      "trace vmpath 0=lib/a.jar\n",
      "trace vmjars 0=lib/b.jar\n",
      "notice Javapath is: javaw",
      "trace cmdLine is 72 chars long\n",
      "notice Command Line is: javaw -Xmx64m -classpath lib/a.jar;lib/b.jar; app.Main one two ",
      "trace CreateProcess ret 1, exitCode=0\n",
  };
  EXPECT_EQ(state().events, expected);
  for (const Notice& notice : state().notices) EXPECT_EQ(notice.style, NoticeStyle::PLAIN);
}

TEST(LauncherMain, ShowsArgumentZeroAgainWhenTheConfigurationIsNotRead) {
  for (const bool debug : {false, true}) {
    SCOPED_TRACE(debug ? "debug" : "plain");
    fake::reset();
    EXPECT_EQ(fake::runLauncher(debug ? Texts{EDITOR, "-d"} : Texts{EDITOR}), 2);
    const std::string cantOpen =
        "err Can't open " + EDITOR_CONFIG + " Error No such file or directory\n";
    const Texts expected = debug ? Texts{"notice Version: 1.0.7",
                                         "notice LpCmdLine: [" + EDITOR + "]",
                                         "notice CWD: C:\\Apps\\Editor",
                                         "trace reading app config " + EDITOR_CONFIG + "\n",
                                         "notice Reading App Config file: [" + EDITOR_CONFIG + "]",
                                         "notice Reading Config file: " + EDITOR_CONFIG,
                                         cantOpen,
                                         "notice LpCmdLine: [" + EDITOR + "]"}
                                 : Texts{cantOpen};
    EXPECT_EQ(state().events, expected);
  }
}

TEST(LauncherMain, StartsNothingWithoutAMainClass) {
  fake::reset();
  fake::addRuntime("1.5", "C:\\jre");
  fake::setCurrentVersion("1.5");
  state().files[EDITOR_CONFIG] = "vmparam -Xmx64m\n";
  EXPECT_EQ(fake::runLauncher({EDITOR, "-d"}), 2);
  EXPECT_TRUE(state().processes.empty());
  ASSERT_GE(state().notices.size(), 2u);
  const Notice& shown = state().notices[state().notices.size() - 2];
  EXPECT_EQ(shown, (Notice{"MainClass is", "", NoticeStyle::PLAIN}));
  const Notice& error = state().notices.back();
  EXPECT_EQ(error.caption, "Error");
  EXPECT_EQ(error.style, NoticeStyle::ERROR);
  EXPECT_NE(error.text.find(EDITOR_CONFIG), std::string::npos);
  EXPECT_NE(error.text.find("mainclass"), std::string::npos);
}

struct BundledCase {
  const char* name;
  const platform::Conventions* conventions;
  std::string argumentZero;
  Texts bundled;   // files below the launcher's "runtime" directory
  bool installed;  // a Java 21 in a vendor folder, known to no runtime registry
  bool debug;
  std::string command;  // empty: nothing is started
  int exitCode;
  std::string traced;  // a trace line among those written
};

TEST(LauncherMain, StartsTheApplicationsOwnRuntimeWhereItIsWhole) {
  const std::string temurin = "C:\\Program Files\\Eclipse Adoptium\\jdk-21.0.5.11-hotspot";
  const std::string fromTemurin = "\"" + temurin + "\\bin\\javaw.exe\" -classpath \"\" M";
  const std::string missing =
      "bundled runtime C:\\Apps\\Editor\\runtime: C:\\Apps\\Editor\\runtime\\bin\\java.exe is "
      "missing, so the machine is searched\n";
  const platform::Conventions* const windows = &platform::WINDOWS_CONVENTIONS;
  const BundledCase cases[] = {
      {"whole: used, and nothing else is searched",
       windows,
       EDITOR,
       {"bin\\javaw.exe", "release"},
       true,
       false,
       "C:\\Apps\\Editor\\runtime\\bin\\javaw.exe -classpath \"\" M",
       0,
       ""},
      {"in debug mode its console program",
       windows,
       EDITOR,
       {"bin\\java.exe", "release"},
       true,
       true,
       "C:\\Apps\\Editor\\runtime\\bin\\java.exe -classpath \"\" M",
       0,
       "javaVersion 17+: the bundled runtime is used, nothing is searched\n"},
      {"named by an absolute path with a space",
       windows,
       "C:\\Program Files\\Editor\\Editor.exe",
       {"bin\\javaw.exe", "release"},
       false,
       false,
       "\"C:\\Program Files\\Editor\\runtime\\bin\\javaw.exe\" -classpath \"\" M",
       0,
       ""},
      {"missing: an installed runtime that fits",
       windows,
       EDITOR,
       {},
       true,
       false,
       fromTemurin,
       0,
       ""},
      {"no Java program: the same",
       windows,
       EDITOR,
       {"release", "bin\\java.exe"},
       true,
       false,
       fromTemurin,
       0,
       ""},
      {"no release file: the same, said in debug mode",
       windows,
       EDITOR,
       {"bin\\java.exe"},
       true,
       true,
       "\"" + temurin + "\\bin\\java.exe\" -classpath \"\" M",
       0,
       "bundled runtime C:\\Apps\\Editor\\runtime: C:\\Apps\\Editor\\runtime\\release is "
       "missing, so the machine is searched\n"},
      {"missing, and nothing installed: the offer",
       windows,
       EDITOR,
       {},
       false,
       true,
       "",
       11,
       missing},
      {"whole, on POSIX",
       &platform::POSIX_CONVENTIONS,
       "/opt/editor/editor",
       {"bin/java", "release"},
       false,
       false,
       "/opt/editor/runtime/bin/java -classpath \"\" M",
       0,
       ""},
  };
  for (const BundledCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset(*c.conventions);
    const char separator = c.conventions->directorySeparator;
    const std::size_t cut = c.argumentZero.rfind(separator);
    const std::string directory = c.argumentZero.substr(0, cut);
    const std::string name = c.argumentZero.substr(cut + 1);
    state().files[directory + separator + name.substr(0, name.find(".exe")) + ".config"] =
        "mainclass M\nbundledRuntime runtime\njavaVersion 17+\n";
    for (const std::string& file : c.bundled) {
      state().files[directory + separator + "runtime" + separator + file] = "";
    }
    if (c.installed) {
      state().environment.push_back("ProgramFiles=C:\\Program Files");
      fake::addJava(temurin, "21.0.5");
    }
    Texts words = {c.argumentZero};
    if (c.debug) words.push_back("-d");
    EXPECT_EQ(fake::runLauncher(words), c.exitCode);
    EXPECT_EQ(state().processes, c.command.empty() ? Texts{} : Texts{c.command});
    EXPECT_NE(state().traceLines.find(c.traced), std::string::npos) << state().traceLines;
    if (c.bundled.size() == 2 && c.bundled[1] == "release") {
      // The application's own runtime answers alone.
      EXPECT_FALSE(runtimesDiscovered());
      EXPECT_EQ(state().widerRegistryOpens, 0);
    }
    expectBalanced();
  }
}

struct OfferCase {
  const platform::Conventions* conventions;
  std::string argumentZero;
  std::string configPath;
  std::string named;
};

TEST(LauncherMain, NamesTheLauncherInAnOfferMadeBeforeTheApplicationIsNamed) {
  const OfferCase cases[] = {
      {&platform::WINDOWS_CONVENTIONS, EDITOR, EDITOR_CONFIG, "Editor"},
      {&platform::POSIX_CONVENTIONS, "/opt/editor/editor", "/opt/editor/editor.config", "editor"},
  };
  for (const OfferCase& c : cases) {
    SCOPED_TRACE(c.conventions->name);
    fake::reset(*c.conventions);
    fake::addRuntime("1.5.0_04", "C:\\jre");
    state().files[c.configPath] = "javaVersion 1.5.0_06+\nmainclass app.Main\n";
    state().answers = {platform::ANSWER_YES};
    EXPECT_EQ(fake::runLauncher({c.argumentZero}), 11);
    const std::vector<Notice> expected = {
        {"Incompatible JRE Version Found",
         c.named + " requires the Java Runtime Environment version 1.5.0_06+\n"
                   "Do you want to download it?",
         NoticeStyle::ERROR_QUESTION}};
    EXPECT_EQ(state().notices, expected);
    ASSERT_EQ(state().urls.size(), 1u);
    EXPECT_EQ(state().urls[0].rfind("https://", 0), 0u);
    expectBalanced();
  }
}

}  // namespace
}  // namespace carafe
