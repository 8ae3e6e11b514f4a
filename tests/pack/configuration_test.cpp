// The application's folder and configuration, planned in memory: which files
// go where, the lines the launcher reads, how values are written so that Java
// receives them as given, and what the launcher's own rules refuse.
#include "pack/configuration.h"

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "pack/error.h"

namespace carafe::pack {
namespace {

using Words = std::vector<std::string>;

PackOptions editor() {
  PackOptions options;
  options.name = "Editor";
  options.appVersion = "2.3.1";
  options.input = "target/jars";
  options.mainClass = "com.example.editor.Main";
  options.types = {TYPE_APP_IMAGE};
  return options;
}

Image planned(const PackOptions& options, const Words& files, bool forInstaller = false) {
  return planImage(options, {{&IMAGE_TREES[0], files}}, forInstaller);
}

std::string written(const PackOptions& options, const Words& files) {
  const std::vector<ConfigurationLine> lines = configurationLines(options, planned(options, files));
  checkConfiguration(lines);
  return configurationText(lines);
}

class Configuration : public ::testing::Test {
 protected:
  void SetUp() override { fake::reset(); }
};

TEST_F(Configuration, PlansTheFolderWithTheJarsOfTheInputOnTheClasspathByName) {
  const Image image =
      planned(editor(), {"util.jar", "Editor.JAR", "native/x.dll", "plugins/p.jar"});
  Words paths;
  for (const ImageFile& file : image.files) paths.push_back(file.path + " <- " + file.source);
  EXPECT_EQ(paths, (Words{"Editor.config <- ", "Editor.exe <- ",
                          "lib\\Editor.JAR <- target/jars/Editor.JAR",
                          "lib\\native\\x.dll <- target/jars/native/x.dll",
                          "lib\\plugins\\p.jar <- target/jars/plugins/p.jar",
                          "lib\\util.jar <- target/jars/util.jar"}));
  EXPECT_EQ(image.classpath, (Words{"lib\\Editor.JAR", "lib\\util.jar"}));
  EXPECT_EQ(imageDirectories(image), (Words{"", "lib", "lib\\native", "lib\\plugins"}));
}

TEST_F(Configuration, RefusesInputsThatWindowsOrTheClasspathCannotHold) {
  const std::pair<Words, std::string> cases[] = {
      {{"a.jar", "A.jar"},
       "--input: a.jar and A.jar differ only in letter case, so Windows would take them for one "
       "file; rename one"},
      {{"a.jar", "sub/x:y.txt"},
       "--input: sub/x:y.txt: the name \"x:y.txt\" holds \":\", which Windows file names cannot "
       "hold; rename it"},
      {{"a;b.jar"},
       "--input: a;b.jar: a jar whose name holds \";\" cannot be on a Windows classpath, which "
       "\";\" separates; rename it"},
      {{"a$b.jar"},
       "--input: a$b.jar: the launcher takes \"$\" in a classpath entry for an environment "
       "variable; rename the jar"},
      {{"readme.txt", "sub/a.jar"},
       "--input: target/jars holds no .jar file: give the directory that holds the application's "
       "jars"},
  };
  for (const auto& [files, message] : cases) {
    try {
      planned(editor(), files);
      ADD_FAILURE() << "accepted: " << message;
    } catch (const PackError& error) {
      EXPECT_EQ(error.what(), message);
    }
  }
  // A bundled runtime is one only with what the launcher looks for in it.
  PackOptions withRuntime = editor();
  withRuntime.bundledRuntime = "build/image";
  const Words runtime = {"bin/java.exe", "bin/javaw.exe", "release", "lib/modules"};
  EXPECT_EQ(
      planImage(withRuntime, {{&IMAGE_TREES[0], {"a.jar"}}, {&IMAGE_TREES[1], runtime}}, false)
          .files.size(),
      7u);
  try {
    planImage(withRuntime, {{&IMAGE_TREES[0], {"a.jar"}}, {&IMAGE_TREES[1], {"bin/java.exe"}}},
              false);
    ADD_FAILURE() << "took a folder without javaw.exe for a runtime";
  } catch (const PackError& error) {
    EXPECT_EQ(std::string(error.what()),
              "--bundled-runtime: build/image holds no bin/javaw.exe: give a Windows Java "
              "runtime's directory (a jlink image)");
  }
  try {
    planned(editor(), {"a.jar", "données-Ω.txt"}, true);
    ADD_FAILURE() << "an installer took a name outside code page 1252";
  } catch (const PackError& error) {
    EXPECT_EQ(std::string(error.what()),
              "--input: données-Ω.txt: the name \"données-Ω.txt\" holds \"Ω\", which an "
              "installer that wixl builds cannot hold: its texts are in Windows code page 1252; "
              "rename it");
  }
}

TEST_F(Configuration, WritesEveryOptionAsTheKeywordAPersonWouldWrite) {
  PackOptions options = editor();
  options.javaVersion = "17+";
  options.bundledRuntime = "build/image";
  options.jvm = "launcher";
  options.vmParams = {"-Xmx1g", "-Dgreeting=hello world"};
  options.arguments = {"--open", "second one"};
  options.vendor = "Example Ltd.";
  options.downloadUrl = "https://example.com/java";
  options.workingDirectory = WORKING_CALLER;
  options.exitNotice = "abnormal";
  options.configLines = {"vmparam -Xss2m", "include $PROGRAMDATA\\Editor\\site.config"};
  EXPECT_EQ(written(options, {"editor.jar", "my lib.jar"}),
            "# Editor 2.3.1: what Editor.exe starts. Written by carafe-pack 1.0.7.\r\n"
            "# Each line is a keyword, one space and its value; a line that begins with # is a "
            "comment.\r\n"
            "\r\n"
            "# The application's name, which the launcher's notices give.\r\n"
            "appname Editor\r\n"
            "\r\n"
            "# The class whose main method starts the application.\r\n"
            "mainclass com.example.editor.Main\r\n"
            "\r\n"
            "# Its own runtime, started before any installed Java, which is searched only where "
            "it is missing or broken.\r\n"
            "bundledRuntime runtime\r\n"
            "\r\n"
            "# The page offered when no Java it can use is found.\r\n"
            "downloadUrl https://example.com/java\r\n"
            "\r\n"
            "# The Java version it needs.\r\n"
            "javaVersion 17+\r\n"
            "\r\n"
            "# Where Java runs: inside the application's exe, or as a process of its own.\r\n"
            "jvm launcher\r\n"
            "\r\n"
            "# Java starts in the directory the application is started from.\r\n"
            "workingDirectory caller\r\n"
            "\r\n"
            "# Java's end is told only when it was abnormal.\r\n"
            "exitNotice abnormal\r\n"
            "\r\n"
            "# Java's class data is kept for each user between starts.\r\n"
            "startupCache on\r\n"
            "\r\n"
            "# Options for the Java virtual machine.\r\n"
            "vmparam -Xmx1g\r\n"
            "vmparam \"-Dgreeting=hello world\"\r\n"
            "\r\n"
            "# The application's jars, on the classpath in this order.\r\n"
            "addjar lib\\editor.jar\r\n"
            "addjar \"lib\\my lib.jar\"\r\n"
            "\r\n"
            "# Arguments for the application, after those it is started with.\r\n"
            "argument --open\r\n"
            "argument second one\r\n"
            "\r\n"
            "# More lines, as they were given.\r\n"
            "vmparam -Xss2m\r\n"
            "include $PROGRAMDATA\\Editor\\site.config\r\n"
            "\r\n"
            "# Each user's own options, where the file exists: upgrades and repairs leave it as "
            "it is.\r\n"
            "optionalInclude $APPDATA\\Example Ltd\\Editor\\Editor.user.config\r\n");
}

// The lines that depend on other options, and those that are left out.
TEST_F(Configuration, WritesTheWorkingDirectoryAndUserOptionsAsTheOptionsAsk) {
  const struct {
    bool console;
    std::string workingDirectory, userOptions, startupCache, vendor;
    Words lines;  // the keyword lines beyond appname, mainclass and addjar
  } cases[] = {
      {false,
       "",
       "on",
       "on",
       "",
       {"startupCache on", "optionalInclude $APPDATA\\Editor\\Editor.user.config"}},
      {true, "", "off", "off", "", {"workingDirectory caller"}},
      {true, "install", "off", "off", "", {}},
      {false, "caller", "off", "on", "", {"workingDirectory caller", "startupCache on"}},
      // What Windows drops or refuses in a folder's name, and "$", are left out.
      {false,
       "",
       "on",
       "off",
       " A<b>:c$d. ",
       {"optionalInclude $APPDATA\\Abcd\\Editor\\Editor.user.config"}},
      {false, "", "on", "off", "...", {"optionalInclude $APPDATA\\Editor\\Editor.user.config"}},
  };
  for (const auto& row : cases) {
    PackOptions options = editor();
    options.console = row.console;
    options.workingDirectory = row.workingDirectory;
    options.userOptions = row.userOptions;
    options.startupCache = row.startupCache;
    options.vendor = row.vendor;
    const std::vector<ConfigurationLine> lines =
        configurationLines(options, planned(options, {"a.jar"}));
    EXPECT_NO_THROW(checkConfiguration(lines));
    Words keywordLines;
    for (const ConfigurationLine& line : lines) {
      if (line.keywordLine && line.keyword != Keyword::APPNAME &&
          line.keyword != Keyword::MAINCLASS && line.keyword != Keyword::ADDJAR) {
        keywordLines.push_back(line.text);
      }
    }
    EXPECT_EQ(keywordLines, row.lines) << row.console << " " << row.workingDirectory;
  }
}

// Each value reaches Java exactly as given: checkConfiguration composes the
// command with the launcher's own code and splits it by the Windows rules.
TEST_F(Configuration, QuotesValuesSoThatJavaReceivesThemAsGiven) {
  const struct {
    std::string value;
    std::string vmparam;   // the line written for it
    std::string argument;  // likewise
  } cases[] = {
      {"plain", "vmparam plain", "argument plain"},
      {"two words", "vmparam \"two words\"", "argument two words"},
      {"", "vmparam \"\"", "argument \"\""},
      {"a\tb", "vmparam \"a\tb\"", "argument \"a\tb\""},
      {"say \"hi\"", "vmparam \"say \\\"hi\\\"\"", "argument say \\\"hi\\\""},
      {"x\"y", "vmparam \"x\\\"y\"", "argument \"x\\\"y\""},
      {"C:\\my dir\\", "vmparam \"C:\\my dir\\\\\"", "argument C:\\my dir\\"},
      {"C:\\dir\\", "vmparam C:\\dir\\", "argument C:\\dir\\"},
      {"a\\\"b c", "vmparam \"a\\\\\\\"b c\"", "argument a\\\\\\\"b c"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.value);
    PackOptions options = editor();
    options.vmParams = {row.value};
    options.arguments = {row.value};
    const std::vector<ConfigurationLine> lines =
        configurationLines(options, planned(options, {"a.jar"}));
    EXPECT_NO_THROW(checkConfiguration(lines));
    Words keywordLines;
    for (const ConfigurationLine& line : lines) {
      if (line.keywordLine &&
          (line.keyword == Keyword::VMPARAM || line.keyword == Keyword::ARGUMENT)) {
        keywordLines.push_back(line.text);
      }
    }
    EXPECT_EQ(keywordLines, (Words{row.vmparam, row.argument}));
  }
}

TEST_F(Configuration, RefusesWhatTheLauncherWouldNotReadAsMeantInCarafeChecksWords) {
  const struct {
    std::string vmparam;
    std::string message;
  } cases[] = {
      {"-Da\nb",
       "--vmparam: \"-Da\\nb\" cannot be written as one configuration line: the launcher reads "
       "\"vmparam -Da\", then \"b\": no space, so no keyword and value: the line is skipped"},
      {std::string("-Da\0b", 5),
       "--vmparam: \"-Da\\x00b\" cannot be written as one configuration line: the launcher reads "
       "\"vmparam -Da\": a NUL byte ends the line's text: what follows it is not used"},
      {"-Da\nMainclass x",
       "--vmparam: \"-Da\\nMainclass x\" cannot be written as one configuration line: the "
       "launcher reads \"vmparam \"-Da\", then \"Mainclass x\"\": no keyword: \"Mainclass\" is "
       "not \"mainclass\"; keywords are written exactly, in this letter case"},
  };
  for (const auto& row : cases) {
    PackOptions options = editor();
    options.vmParams = {row.vmparam};
    try {
      checkConfiguration(configurationLines(options, planned(options, {"a.jar"})));
      ADD_FAILURE() << "accepted: " << row.message;
    } catch (const UsageError& error) {
      EXPECT_EQ(error.what(), row.message);
    }
  }
}

TEST_F(Configuration, RefusesALineThatAnotherKeywordWouldTakeOrThatJavaWouldGetOtherwise) {
  PackOptions options = editor();
  options.arguments = {"x"};
  std::vector<ConfigurationLine> lines = configurationLines(options, planned(options, {"a.jar"}));
  // An addjar line that begins with a longer keyword, as "addjars" is tested first.
  std::vector<ConfigurationLine> shadowed = lines;
  for (ConfigurationLine& line : shadowed) {
    if (line.keywordLine && line.keyword == Keyword::ADDJAR) {
      line.text = "addjars lib\\a.jar";
    }
  }
  EXPECT_THROW(checkConfiguration(shadowed), UsageError);
  // An argument written without the quotes that keep a double quote.
  std::vector<ConfigurationLine> unquoted = lines;
  for (ConfigurationLine& line : unquoted) {
    if (line.keywordLine && line.keyword == Keyword::ARGUMENT) {
      line.javaReceives = "a\"b";
      line.value = "a\"b";
      line.text = "argument a\"b";
    }
  }
  try {
    checkConfiguration(unquoted);
    ADD_FAILURE() << "accepted an argument that Java would not get";
  } catch (const UsageError& error) {
    EXPECT_EQ(std::string(error.what()),
              "--argument: \"a\"b\" would not reach Java as it is: the launcher's command gives "
              "Java \"ab \" in its place");
  }
}

// Past the limit the launcher hands Java 9 and later an argument file: the
// command is refused only where the Java is known to be older.
TEST_F(Configuration, RefusesAClasspathLongerThanWindowsStartsOnlyWhereItBinds) {
  Words jars;
  for (int i = 0; i < 1200; ++i) jars.push_back("commons-library-" + std::to_string(i) + ".jar");
  const struct {
    std::string javaVersion, jvm;
    int bundledMajor;
    const char* outcome;  // "refused", "warned" or "accepted"
  } cases[] = {
      {"", "", 0, "warned"},          {"1.8+", "", 0, "warned"},
      {"1.8.0_60", "", 0, "refused"}, {"", "", 8, "refused"},
      {"9+", "", 0, "accepted"},      {"17", "", 0, "accepted"},
      {"", "", 17, "accepted"},       {"1.8.0_60", "launcher", 0, "accepted"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.javaVersion + " " + row.jvm + " " + std::to_string(row.bundledMajor));
    PackOptions options = editor();
    options.javaVersion = row.javaVersion;
    options.jvm = row.jvm;
    const std::vector<ConfigurationLine> lines =
        configurationLines(options, planned(options, jars));
    std::string outcome = "accepted";
    try {
      const Words warnings = checkConfiguration(lines, row.bundledMajor);
      if (!warnings.empty()) {
        outcome = "warned";
        EXPECT_EQ(warnings[0].substr(0, 40), "--input: the Java command would be 33988");
      }
    } catch (const PackError& error) {
      outcome = "refused";
      EXPECT_EQ(std::string(error.what()).substr(0, 40),
                "--input: the Java command would be 33988");
    }
    EXPECT_EQ(outcome, row.outcome);
  }
  jars.resize(900);
  EXPECT_TRUE(checkConfiguration(configurationLines(editor(), planned(editor(), jars))).empty());
}

}  // namespace
}  // namespace carafe::pack
