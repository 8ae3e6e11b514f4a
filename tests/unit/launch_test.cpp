// Starting Java, waiting for it and reporting how it ended.
#include "launch/launch.h"

#include <gtest/gtest.h>

#include "core/settings.h"
#include "fake_platform.h"

namespace carafe {
namespace {

using fake::Notice;
using fake::state;
using platform::NoticeStyle;

struct ExitCase {
  const platform::Conventions* conventions;
  std::uint32_t javaExit;
  bool abnormalEnd;  // a signal or an exception, not an exit
  bool debug;
  int result;
  std::string errorText;  // of the "Error" notice; empty: none
};

TEST(LaunchJava, ReturnsJavasExitCodeAndReportsANonZeroOne) {
  const std::string java = "\"C:\\my jre\\bin\\javaw.exe\"";
  const std::string launched = "Error launching Class app.Main\n with Java " + java + ".\nError=";
  const platform::Conventions* const gui = &platform::WINDOWS_CONVENTIONS;
  const platform::Conventions* const console = &platform::WINDOWS_CONSOLE_CONVENTIONS;
  const platform::Conventions* const posix = &platform::POSIX_CONVENTIONS;
  const ExitCase cases[] = {
      {gui, 0, false, false, 0, ""},
      {gui, 1, false, false, 1, launched + "1"},
      {gui, 0xFFFFFFFFu, false, false, -1, launched + "-1"},
      // Where the shell has the code, a normal exit passes it on silently
      // ("grep" ends with 1 for "no match"); debug mode still tells it.
      {console, 1, false, false, 1, ""},
      {console, 0xFFFFFFFFu, false, false, -1, ""},
      {console, 1, false, true, 1, launched + "1"},
      {posix, 3, false, false, 3, ""},
      // A crash or a signal is told everywhere.
      {console, 0xC0000005u, true, false, -1073741819, launched + "-1073741819"},
      {posix, 139, true, false, 139, launched + "139"},
  };
  for (const ExitCase& c : cases) {
    SCOPED_TRACE(std::string(c.conventions->name) + " " + std::to_string(c.javaExit) +
                 (c.debug ? " -d" : ""));
    fake::reset(*c.conventions);
    launchSettings.debugMode = c.debug;
    launchSettings.mainClass = "app.Main";
    launchSettings.javaPath = java;
    state().processOutcome = {true, c.javaExit, 0, "", c.abnormalEnd};
    EXPECT_EQ(launchJava(), c.result);
    EXPECT_EQ(state().processes, std::vector<std::string>{java + " -classpath \"\" app.Main"});
    std::vector<Notice> errors;
    for (const Notice& notice : state().notices) {
      if (notice.caption == "Error") errors.push_back(notice);
    }
    const std::vector<Notice> expected =
        c.errorText.empty() ? std::vector<Notice>{}
                            : std::vector<Notice>{{"Error", c.errorText, NoticeStyle::ERROR}};
    EXPECT_EQ(errors, expected);
    if (!c.debug) {
      EXPECT_EQ(state().traceLines, "");
    }
  }
}

TEST(LaunchJava, ShowsTheJavaPathAndCommandThenTheOutcomeInDebugMode) {
  fake::reset();
  fake::addRuntime("1.5", "D:\\jre");
  fake::setCurrentVersion("1.5");
  fake::addJava("D:\\jre", "");
  launchSettings.debugMode = true;
  launchSettings.mainClass = "M";
  launchSettings.arguments.entries = {"x"};
  state().processOutcome = {true, 3, 0, ""};
  EXPECT_EQ(launchJava(), 3);
  EXPECT_EQ(launchSettings.javaPath, "D:\\jre\\bin\\java.exe");
  const std::vector<std::string> expected = {
      "notice Javapath is: D:\\jre\\bin\\java.exe",
      "trace cmdLine is 42 chars long\n",
      "notice Command Line is: D:\\jre\\bin\\java.exe -classpath \"\" M x ",
      "notice Error: Error launching Class M\n with Java D:\\jre\\bin\\java.exe.\nError=3",
      "trace CreateProcess ret 1, exitCode=3\n",
  };
  EXPECT_EQ(state().events, expected);
}

TEST(LaunchJava, LooksUpTheDefaultRuntimeOnlyWhenNoJavaPathIsSet) {
  // An empty Java path counts as set.
  fake::reset();
  launchSettings.mainClass = "M";
  launchSettings.javaPath = "";
  EXPECT_EQ(launchJava(), 0);
  EXPECT_EQ(state().processes, std::vector<std::string>{" -classpath \"\" M"});
  EXPECT_TRUE(state().notices.empty());

  // No runtime: only the lookup's own notice; nothing composed or started.
  fake::reset();
  launchSettings.debugMode = true;
  launchSettings.mainClass = "M";
  EXPECT_EQ(launchJava(), 2);
  EXPECT_EQ(launchSettings.javaPath, std::nullopt);
  EXPECT_EQ(state().notices.back(),
            (Notice{"Error!", "No Java Installation Found", NoticeStyle::ERROR}));
  for (const Notice& notice : state().notices) EXPECT_NE(notice.caption, "Javapath is");
  EXPECT_TRUE(state().processes.empty());
  EXPECT_EQ(state().traceLines, "the runtime registry does not answer: searching the machine\n");
}

struct RefusalCase {
  const char* name;
  std::optional<std::string> mainClass;
  std::string javaPath;
  platform::ProcessOutcome outcome;
  std::vector<std::string> mentions;  // in the "Error" notice
  std::size_t started;
};

TEST(LaunchJava, ReportsWhatKeepsJavaFromStartingAndReturns2) {
  const RefusalCase cases[] = {
      {"no main class", std::nullopt, "javaw", {}, {"D:\\Apps\\app.config", "mainclass"}, 0},
      {"process creation fails",
       "M",
       "C:\\nojava\\javaw.exe",
       {false, 0, 5, "Access is denied."},
       {"C:\\nojava\\javaw.exe", "Access is denied."},
       1},
      {"command too long for Windows",
       "M",
       std::string(32760, 'j'),
       {},
       {"D:\\Apps\\app.config", "32766"},
       0},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset();
    launchSettings.configPath = "D:\\Apps\\app.config";
    launchSettings.mainClass = c.mainClass;
    launchSettings.javaPath = c.javaPath;
    state().processOutcome = c.outcome;
    EXPECT_EQ(launchJava(), 2);
    EXPECT_EQ(state().processes.size(), c.started);
    ASSERT_EQ(state().notices.size(), 1u);
    EXPECT_EQ(state().notices[0].caption, "Error");
    EXPECT_EQ(state().notices[0].style, NoticeStyle::ERROR);
    for (const std::string& mention : c.mentions) {
      EXPECT_NE(state().notices[0].text.find(mention), std::string::npos) << mention;
    }
  }
}

}  // namespace
}  // namespace carafe
