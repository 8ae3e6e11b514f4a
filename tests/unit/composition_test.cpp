// Composition of the Java command text and its size.
#include <gtest/gtest.h>

#include "core/settings.h"
#include "fake_platform.h"
#include "launch/compose.h"

namespace carafe {
namespace {

using fake::state;

struct CompositionCase {
  const char* name;
  std::string javaPath;
  std::vector<std::string> vmParams;
  std::vector<std::string> vmPaths;
  std::vector<std::string> vmJars;
  std::string mainClass;
  std::vector<std::string> arguments;
  std::string text;              // under the Windows conventions
  int size;                      // the size that the debug trace names
  int commandLineArguments = 0;  // how many of the arguments came from the command line
};

void fill(const CompositionCase& c) {
  launchSettings.javaPath = c.javaPath;
  launchSettings.vmParams.entries = c.vmParams;
  launchSettings.vmPaths.entries = c.vmPaths;
  launchSettings.vmJars.entries = c.vmJars;
  launchSettings.mainClass = c.mainClass;
  launchSettings.arguments.entries = c.arguments;
  launchSettings.commandLineArguments = c.commandLineArguments;
}

const CompositionCase EXAMPLE = {"example",
                                 "javaw",
                                 {"-Xmx64m"},
                                 {"lib/a.jar"},
                                 {"jars/b.jar"},
                                 "app.Main",
                                 {"one", "two"},
                                 "javaw -Xmx64m -classpath lib/a.jar;jars/b.jar; app.Main one two ",
                                 73};

TEST(ComposeCommandLine, ComposesTheExampleAndTracesItsSize) {
  fake::reset(platform::WINDOWS_CONVENTIONS);
  fill(EXAMPLE);
  launchSettings.debugMode = true;
  const std::string text = composeCommandLine();
  EXPECT_EQ(text, EXAMPLE.text);
  EXPECT_EQ(text.size(), 64u);
  EXPECT_EQ(state().traceLines, "cmdLine is 73 chars long\n");
  EXPECT_TRUE(state().notices.empty());
}

TEST(ComposeCommandLine, SeparatesClasspathEntriesByTheTargetsSeparator) {
  fake::reset(platform::POSIX_CONVENTIONS);
  fill(EXAMPLE);
  EXPECT_EQ(composeCommandLine(),
            "javaw -Xmx64m -classpath lib/a.jar:jars/b.jar: app.Main one two ");
  EXPECT_EQ(state().traceLines, "");  // the size is traced in debug mode only
}

TEST(ComposeCommandLine, PlacesQuotesAndSizesEveryCase) {
  const CompositionCase cases[] = {
      EXAMPLE,
      {"all lists empty",
       "javaw",
       {},
       {},
       {},
       "app.Main",
       {},
       "javaw -classpath \"\" app.Main",
       31},
      {"only found jars",
       "java",
       {},
       {},
       {"l/a.jar", "l/b.jar"},
       "M",
       {},
       "java -classpath l/a.jar;l/b.jar; M",
       39},
      {"quoted java path kept",
       R"("C:\Program Files\jre\bin\javaw.exe")",
       {},
       {},
       {},
       "M",
       {},
       R"("C:\Program Files\jre\bin\javaw.exe" -classpath "" M)",
       55},
      {"argument with a space", "j", {}, {}, {}, "M", {"a b"}, R"(j -classpath "" M "a b" )", 26},
      {"quoted argument gets a second pair",
       "j",
       {},
       {},
       {},
       "M",
       {R"("a b")"},
       R"(j -classpath "" M ""a b"" )",
       28},
      {"empty argument and tab",
       "j",
       {},
       {},
       {},
       "M",
       {"", "a\tb"},
       "j -classpath \"\" M  a\tb ",
       29},
      {"trailing backslash doubled before the added quote",
       "j",
       {},
       {},
       {},
       "M",
       {R"(C:\My Dir\)", R"(x y\\)", R"(C:\dir\)"},
       R"(j -classpath "" M "C:\My Dir\\" "x y\\\\" C:\dir\ )",
       54},
      {"backslash before an inner quote unchanged",
       "j",
       {},
       {},
       {},
       "M",
       {R"(a\"b c)"},
       R"(j -classpath "" M "a\"b c" )",
       29},
      // Arguments from the launcher's own command line keep their double quotes;
      // "argument" lines are command-line text and are written as they stand.
      {"command-line arguments with double quotes",
       "j",
       {},
       {"a.jar"},
       {},
       "M",
       {R"(--title="My App")", R"({"k":"v"})", R"(a\"b)", R"(say "hi" \)", R"(x "y")"},
       R"(j -classpath a.jar; M "--title=\"My App\"" {\"k\":\"v\"} a\\\"b "say \"hi\" \\" "x "y"" )",
       95,
       4},
      // ...and arrive whole when empty or with a tab, which an "argument" line's
      // text (above) does not.
      {"empty and tab command-line arguments",
       "j",
       {},
       {},
       {},
       "M",
       {"", "a\tb\\", "c"},
       "j -classpath \"\" M \"\" \"a\tb\\\\\" c ",
       35,
       2},
      {"a found jar with a space or a tab",
       "j",
       {},
       {"my dir/x.jar"},
       {"lib/my lib.jar", "\"C:/My Apps/lib\"/a.jar", "lib\tx/b.jar", "\"C:/My Apps\"/c d.jar",
        "d e\\"},
       "M",
       {},
       "j -classpath my dir/x.jar;\"lib/my lib.jar\";\"C:/My Apps/lib\"/a.jar;\"lib\tx/b.jar\";"
       "\"C:/My Apps/c d.jar\";\"d e\\\\\"; M",
       120},
  };
  for (const CompositionCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset(platform::WINDOWS_CONVENTIONS);
    fill(c);
    launchSettings.debugMode = true;
    const std::string text = composeCommandLine();
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(state().traceLines, "cmdLine is " + std::to_string(c.size) + " chars long\n");
    EXPECT_GE(static_cast<std::size_t>(c.size), text.size() + 2);
  }
}

TEST(ComposeCommandLine, QuotesTheJavaProgramSoThatNoShorterPathCanStart) {
  const std::string java = R"(C:\Program Files\jre\bin\javaw.exe)";
  const struct {
    const char* name;
    std::string javaPath;
    bool exists;
    std::string text;
  } cases[] = {
      {"an existing file", java, true, "\"" + java + "\" -classpath a.jar; M"},
      {"no such file: still one program", java, false, "\"" + java + "\" -classpath a.jar; M"},
      {"words after a program with spaces", java + " -Xint", false,
       "\"" + java + "\" -Xint -classpath a.jar; M"},
      {"no program's extension: as written", R"(C:\Program Files\jre\bin\javaw)", false,
       R"(C:\Program Files\jre\bin\javaw -classpath a.jar; M)"},
      {"quoted as written", "\"" + java + "\"", true, "\"" + java + "\" -classpath a.jar; M"},
      {"words after the program", R"(C:\jre\javaw.exe -Xint)", false,
       R"(C:\jre\javaw.exe -Xint -classpath a.jar; M)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset(platform::WINDOWS_CONVENTIONS);
    if (c.exists) state().files[java] = "";
    fill({c.name, c.javaPath, {}, {"a.jar"}, {}, "M", {}, "", 0});
    const std::string text = composeCommandLine();
    EXPECT_EQ(text, c.text);
    EXPECT_GE(commandLineSize(), text.size() + 2);
  }
}

TEST(ComposeCommandLine, TakesRelativePathsFromTheLauncherDirectoryWhenJavaStartsInTheCallers) {
  const struct {
    const char* name;
    const platform::Conventions* conventions;
    bool caller;  // "workingDirectory caller"
    std::string workingDir;
    std::string javaPath;
    std::vector<std::string> vmPaths;
    std::vector<std::string> vmJars;
    std::string text;
  } cases[] = {
      {"without the keyword: as written",
       &platform::WINDOWS_CONVENTIONS,
       false,
       "C:\\Apps\\Tool",
       "jre\\bin\\java.exe",
       {"lib/a.jar", "\"lib dir\"/b.jar"},
       {"jars/c.jar"},
       "jre\\bin\\java.exe -classpath lib/a.jar;\"lib dir\"/b.jar;jars/c.jar; M x"},
      {"relative entries and javapath, quoting kept",
       &platform::WINDOWS_CONVENTIONS,
       true,
       "C:\\Apps\\Tool",
       "jre\\bin\\java.exe",
       {"lib/a.jar", "\"lib dir\"/b.jar", "D:\\abs\\d.jar", "\\\\server\\e.jar"},
       {"jars/c.jar"},
       "C:\\Apps\\Tool\\jre\\bin\\java.exe -classpath C:\\Apps\\Tool\\lib/a.jar;"
       "\"C:\\Apps\\Tool\\lib dir\"/b.jar;D:\\abs\\d.jar;\\\\server\\e.jar;"
       "C:\\Apps\\Tool\\jars/c.jar;C:\\Apps\\Tool M x"},
      {"a directory with a space: entries quoted, a bare java left to PATH",
       &platform::WINDOWS_CONVENTIONS,
       true,
       "C:\\Program Files\\Tool",
       "java",
       {"classes\\", "lib/a.jar"},
       {},
       "java -classpath \"C:\\Program Files\\Tool\\classes\\\\\";"
       "\"C:\\Program Files\\Tool\\lib/a.jar\";\"C:\\Program Files\\Tool\" M x"},
      {"no classpath: the launcher's directory, not the caller's",
       &platform::WINDOWS_CONVENTIONS,
       true,
       "C:\\Apps\\Tool",
       "java",
       {},
       {},
       "java -classpath C:\\Apps\\Tool M x"},
      {"a quoted relative javapath",
       &platform::WINDOWS_CONVENTIONS,
       true,
       "E:\\",
       "\"my jre\\bin\\java.exe\"",
       {},
       {"lib/a.jar"},
       "\"E:\\my jre\\bin\\java.exe\" -classpath E:\\lib/a.jar;E:\\ M x"},
      {"POSIX",
       &platform::POSIX_CONVENTIONS,
       true,
       "/opt/tool",
       "jre/bin/java",
       {"lib/a.jar", "/usr/share/java/b.jar"},
       {"jars/c.jar"},
       "/opt/tool/jre/bin/java -classpath /opt/tool/lib/a.jar:/usr/share/java/b.jar:"
       "/opt/tool/jars/c.jar:/opt/tool M x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset(*c.conventions);
    fill({c.name, c.javaPath, {}, c.vmPaths, c.vmJars, "M", {"x"}, "", 0});
    launchSettings.workingDir = c.workingDir;
    if (c.caller) launchSettings.workingDirectory = "caller";
    const std::string text = composeCommandLine();
    EXPECT_EQ(text, c.text + " ");
    EXPECT_GE(commandLineSize(), text.size() + 2);
    EXPECT_EQ(launchSettings.vmPaths.entries, c.vmPaths);  // the settings stay as read
  }
}

}  // namespace
}  // namespace carafe
