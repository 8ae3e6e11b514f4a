// The start-up: command-line intake, the debug start notices, the working
// directory and the configuration path, under both platform conventions.
#include "core/startup.h"

#include <gtest/gtest.h>

#include <map>

#include "core/settings.h"
#include "fake_platform.h"

namespace carafe {
namespace {

using fake::Notice;
using fake::state;
using platform::NoticeStyle;

void start(const std::vector<std::string>& words) {
  std::vector<const char*> vector;
  for (const std::string& word : words) vector.push_back(word.c_str());
  startUp(static_cast<int>(words.size()), vector.data());
}

struct IntakeCase {
  std::vector<std::string> words;
  bool debugMode;
  std::vector<std::string> arguments;
};

TEST(StartUp, TakesTheDebugSwitchAndTheApplicationArguments) {
  const IntakeCase cases[] = {
      {{"app", "a", "-d", "b"}, true, {"a", "b"}},
      {{"app", "-d", "-d"}, true, {}},
      {{"app", "-D"}, false, {"-D"}},
      {{"app", "--d", "-debug", "x y", ""}, false, {"--d", "-debug", "x y", ""}},
      {{"app"}, false, {}},
  };
  for (const IntakeCase& c : cases) {
    SCOPED_TRACE(c.words.size() > 1 ? c.words[1] : "no arguments");
    fake::reset();
    start(c.words);
    EXPECT_EQ(launchSettings.debugMode, c.debugMode);
    EXPECT_EQ(launchSettings.arguments.entries, c.arguments);
    if (!c.debugMode) {
      EXPECT_TRUE(state().notices.empty());
    }
  }
}

TEST(StartUp, ShowsTheStartNoticesInDebugModeWhereverTheSwitchStands) {
  fake::reset();
  start({"E:\\Apps\\Tool\\app.exe", "x", "-d"});
  const std::vector<Notice> expected = {
      {"Version", "1.0.7", NoticeStyle::PLAIN},
      {"LpCmdLine", "[E:\\Apps\\Tool\\app.exe]", NoticeStyle::PLAIN},
      {"CWD", "E:\\Apps\\Tool", NoticeStyle::PLAIN},
  };
  EXPECT_EQ(state().notices, expected);
}

struct DirectoryCase {
  const platform::Conventions* conventions;
  std::string currentDirectory;
  std::string argumentZero;
  std::string workingDir;
  bool changed;  // the process's current directory changed to workingDir
  std::string configPath;
};

TEST(StartUp, SettlesTheWorkingDirectoryAndConfigurationPathByArgumentZero) {
  const auto* windows = &platform::WINDOWS_CONVENTIONS;
  const auto* posix = &platform::POSIX_CONVENTIONS;
  const DirectoryCase cases[] = {
      {windows, "D:\\Work", "E:\\Apps\\Tool\\app.exe", "E:\\Apps\\Tool", true,
       "E:\\Apps\\Tool\\app.config"},
      {windows, "D:\\Work", "E:\\app.exe", "E:", true, "E:\\app.config"},
      {windows, "D:\\Work", "E:\\Apps\\Tool\\ab", "E:\\Apps\\Tool", true,
       "E:\\Apps\\Tool\\ab.config"},
      {windows, "D:\\Work", "E:Tool\\app.exe", "E:Tool", true, "E:Tool\\app.config"},
      {windows, "D:\\Work", "app", "D:\\Work", false, "D:\\Work\\app.config"},
      {windows, "D:\\Work", "APP.EXE", "D:\\Work", false, "D:\\Work\\APP.EXE.config"},
      {windows, "D:\\Work", "..\\Tool\\app.exe", "D:\\Work", false, "D:\\Work\\app.config"},
      {windows, "D:\\Work", "E:/Apps/app.exe", "D:\\Work", false, "D:\\Work\\E:/Apps/app.config"},
      {windows, "D:\\Work", "\\\\server\\share\\app.exe", "D:\\Work", false,
       "D:\\Work\\app.config"},
      {windows, "D:\\Work", "E:\\Apps\\.exe", "E:\\Apps", true, "E:\\Apps\\.config"},
      {windows, "D:\\", "app.exe", "D:\\", false, "D:\\\\app.config"},
      {posix, "/work", "/opt/editor/editor", "/opt/editor", true, "/opt/editor/editor.config"},
      {posix, "/work", "bin/tool.exe", "bin", true, "bin/tool.config"},
      {posix, "/work", "editor", "/work", false, "/work/editor.config"},
      {posix, "/work", "E:\\Apps\\app.exe", "/work", false, "/work/E:\\Apps\\app.config"},
  };
  for (const DirectoryCase& c : cases) {
    SCOPED_TRACE(std::string(c.conventions->name) + " " + c.argumentZero);
    fake::reset(*c.conventions);
    state().currentDirectory = c.currentDirectory;
    start({c.argumentZero});
    EXPECT_EQ(launchSettings.workingDir, c.workingDir);
    EXPECT_EQ(state().directoryChanges,
              c.changed ? std::vector<std::string>{c.workingDir} : std::vector<std::string>{});
    EXPECT_EQ(appConfigPath(c.argumentZero, launchSettings.workingDir), c.configPath);
    EXPECT_TRUE(state().notices.empty());
  }
}

struct ProgramFileCase {
  const char* name;
  const platform::Conventions* conventions;
  std::string currentDirectory;
  std::string argumentZero;
  std::vector<std::string> programFiles;    // as the system names the launcher's file
  std::vector<std::string> configurations;  // the files that exist
  std::string workingDir;
  std::vector<std::string> changes;  // of the current directory, in order
  std::string configPath;
  // Paths that lead to another (a link's path -> its program file's).
  std::map<std::string, std::string> sameFiles = {};
};

TEST(StartUp, ReadsTheConfigurationBesideTheProgramFileBeforeTheCurrentDirectorys) {
  const auto* windows = &platform::WINDOWS_CONVENTIONS;
  const auto* posix = &platform::POSIX_CONVENTIONS;
  const std::string module = "C:\\Apps\\Tool\\tool.exe";
  const std::string beside = "C:\\Apps\\Tool\\tool.config";
  const std::string unc = "\\\\server\\share\\Tool\\tool.exe";
  const ProgramFileCase cases[] = {
      {"bare name from cmd",
       windows,
       "D:\\Work",
       "tool",
       {module},
       {beside},
       "C:\\Apps\\Tool",
       {"C:\\Apps\\Tool"},
       beside},
      {"relative path",
       windows,
       "C:\\Apps",
       "Tool\\tool.exe",
       {module},
       {beside},
       "C:\\Apps\\Tool",
       {"C:\\Apps\\Tool"},
       beside},
      {"network path",
       windows,
       "D:\\Work",
       unc,
       {unc},
       {"\\\\server\\share\\Tool\\tool.config"},
       "\\\\server\\share\\Tool",
       {"\\\\server\\share\\Tool"},
       "\\\\server\\share\\Tool\\tool.config"},
      {"drive path without a configuration: as today",
       windows,
       "D:\\Work",
       module,
       {module},
       {},
       "C:\\Apps\\Tool",
       {"C:\\Apps\\Tool"},
       beside},
      {"the program file's configuration wins over the current directory's",
       windows,
       "D:\\Work",
       "tool",
       {module},
       {beside, "D:\\Work\\tool.config"},
       "C:\\Apps\\Tool",
       {"C:\\Apps\\Tool"},
       beside},
      {"started in its own directory: found by argument 0",
       windows,
       "C:\\Apps\\Tool",
       "tool",
       {module},
       {beside},
       "C:\\Apps\\Tool",
       {},
       beside},
      {"found nowhere: the classic place",
       windows,
       "D:\\Work",
       "tool",
       {module},
       {},
       "D:\\Work",
       {},
       "D:\\Work\\tool.config"},
      {"no program file known",
       windows,
       "D:\\Work",
       "tool",
       {},
       {beside},
       "D:\\Work",
       {},
       "D:\\Work\\tool.config"},
      {"a link in a bin directory",
       posix,
       "/work",
       "/usr/local/bin/ed",
       {"/opt/editor/editor"},
       {"/opt/editor/editor.config"},
       "/opt/editor",
       {"/usr/local/bin", "/opt/editor"},
       "/opt/editor/editor.config"},
      {"a chain of links: the first directory that holds it",
       posix,
       "/work",
       "/usr/bin/tool",
       {"/opt/tool/current", "/opt/tool/1.2/tool"},
       {"/opt/tool/1.2/tool.config"},
       "/opt/tool/1.2",
       {"/usr/bin", "/opt/tool/1.2"},
       "/opt/tool/1.2/tool.config"},
      {"a configuration beside the link wins",
       posix,
       "/work",
       "/usr/bin/tool",
       {"/opt/tool/tool"},
       {"/usr/bin/tool.config", "/opt/tool/tool.config"},
       "/usr/bin",
       {"/usr/bin"},
       "/usr/bin/tool.config",
       {{"/usr/bin/tool", "/opt/tool/tool"}}},
      // Argument 0 is the caller's text: a path that is not the program file
      // decides nothing, with or without a configuration beside it.
      {"a foreign drive path: the module's configuration",
       windows,
       "D:\\Work",
       "D:\\evil2\\tool.exe",
       {module},
       {beside, "D:\\evil2\\tool.config"},
       "C:\\Apps\\Tool",
       {"D:\\evil2", "C:\\Apps\\Tool"},
       beside},
      {"a foreign drive path, the module's directory without one: not found there",
       windows,
       "D:\\Work",
       "D:\\evil2\\tool.exe",
       {module},
       {"D:\\evil2\\tool.config"},
       "C:\\Apps\\Tool",
       {"D:\\evil2", "C:\\Apps\\Tool"},
       beside},
      {"a foreign path of another name: the running file's",
       posix,
       "/work",
       "/tmp/x/zed",
       {"/tmp/x/sub/zed", "/opt/tool/tool"},
       {"/tmp/x/zed.config", "/tmp/x/sub/zed.config", "/opt/tool/tool.config"},
       "/opt/tool",
       {"/tmp/x", "/opt/tool"},
       "/opt/tool/tool.config"},
  };
  for (const ProgramFileCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset(*c.conventions);
    state().currentDirectory = c.currentDirectory;
    state().programFiles = c.programFiles;
    for (const auto& [path, identity] : c.sameFiles) state().identities[path] = identity;
    for (const std::string& path : c.configurations) state().files[path] = "mainclass M\n";
    start({c.argumentZero});
    EXPECT_EQ(launchSettings.workingDir, c.workingDir);
    EXPECT_EQ(state().directoryChanges, c.changes);
    EXPECT_EQ(appConfigPath(launchSettings.programPath, launchSettings.workingDir), c.configPath);
    // The launcher's directory is in the environment before the configuration is read.
    std::string appDirectory;
    EXPECT_TRUE(platform::environmentValue("CARAFE_APP_DIR", appDirectory));
    EXPECT_EQ(appDirectory, c.workingDir);
    EXPECT_EQ(launchSettings.callerDirectory, c.currentDirectory);
  }
}

TEST(StartUp, UnreadableCurrentDirectoryLeavesTheWorkingDirectoryEmpty) {
  fake::reset();
  state().currentDirectoryReadable = false;
  start({"app.exe", "-d"});
  EXPECT_EQ(launchSettings.workingDir, "");
  EXPECT_EQ(state().notices.back(), (Notice{"CWD", "", NoticeStyle::PLAIN}));
  EXPECT_EQ(appConfigPath("app.exe", launchSettings.workingDir), "\\app.config");
}

TEST(StartUp, KeepsEveryCommandLineArgument) {
  fake::reset();
  std::vector<std::string> words = {"app"};
  for (int i = 0; i < 102; ++i) words.push_back("a" + std::to_string(i));
  start(words);
  ASSERT_EQ(launchSettings.arguments.entries.size(), 102u);
  EXPECT_EQ(launchSettings.arguments.entries.back(), "a101");
  EXPECT_EQ(launchSettings.commandLineArguments, 102);
  EXPECT_TRUE(state().notices.empty());
}

}  // namespace
}  // namespace carafe
