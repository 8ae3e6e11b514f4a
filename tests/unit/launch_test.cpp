// Starting Java, waiting for it and reporting how it ended.
#include "launch/launch.h"

#include <gtest/gtest.h>

#include "core/notice.h"
#include "core/settings.h"
#include "fake_platform.h"
#include "launch/inside.h"
#include "platform/exception_names.h"

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
  std::string errorText;                       // of the "Error" notice; empty: none
  std::string endDescription = std::string();  // how the platform tells the end
  bool onlyAbnormal = false;                   // "exitNotice abnormal"
  bool crashReport = false;                    // Java wrote hs_err_pid42.log in its directory
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
      // An abnormal end in words, and the report the machine wrote where it ran.
      {gui, 0xC0000005u, true, false, -1073741819,
       launched + "-1073741819\nJava ended abnormally: exception 0xC0000005 (access violation).",
       "exception 0xC0000005 (access violation)"},
      {posix, 134, true, false, 134,
       launched + "134\nJava ended abnormally: signal SIGABRT (Aborted).\nJava wrote a crash "
                  "report: /home/u/app/hs_err_pid42.log",
       "signal SIGABRT (Aborted)", false, true},
      // A machine that crashes on Windows exits with 1: its report tells it.
      {console, 1, false, false, 1,
       launched + "1\nJava wrote a crash report: D:\\Work\\hs_err_pid42.log", "", false, true},
      // "exitNotice abnormal": a GUI program's normal exit code passes on
      // silently; a crash and debug mode are still told.
      {gui, 1, false, false, 1, "", "", true},
      {gui, 1, false, true, 1, launched + "1", "", true},
      {gui, 0xC00000FDu, true, false, -1073741571,
       launched + "-1073741571\nJava ended abnormally: exception 0xC00000FD (stack overflow).",
       "exception 0xC00000FD (stack overflow)", true},
      {gui, 1, false, false, 1,
       launched + "1\nJava wrote a crash report: D:\\Work\\hs_err_pid42.log", "", true, true},
  };
  for (const ExitCase& c : cases) {
    SCOPED_TRACE(std::string(c.conventions->name) + " " + std::to_string(c.javaExit) +
                 (c.debug ? " -d" : ""));
    fake::reset(*c.conventions);
    launchSettings.debugMode = c.debug;
    launchSettings.mainClass = "app.Main";
    launchSettings.javaPath = java;
    state().processOutcome = {true, c.javaExit, 0, "", c.abnormalEnd, c.endDescription, 42};
    if (c.onlyAbnormal) launchSettings.exitNotice = "abnormal";
    const bool posixRow = c.conventions == posix;
    if (posixRow) state().currentDirectory = "/home/u/app";
    const std::string reports = posixRow ? "/home/u/app/hs_err_pid" : "D:\\Work\\hs_err_pid";
    if (c.crashReport) state().files[reports + "42.log"] = "";
    // Another process's report is not this one's.
    state().files[reports + "41.log"] = "";
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

TEST(LaunchJava, NamesAnExceptionCodeAsPeopleLookItUp) {
  const std::pair<std::uint32_t, std::string> cases[] = {
      {0xC0000005u, "exception 0xC0000005 (access violation)"},
      {0xC0000409u, "exception 0xC0000409 (stack buffer overrun)"},
      {0xC000001Du, "exception 0xC000001D (illegal instruction)"},
      {0xE0434352u, "exception 0xE0434352"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::exceptionDescription(c.first), c.second);
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

struct ArgumentFileCase {
  const char* name;
  std::string version;           // of the runtime's release file; empty: none
  std::string privateFileError;  // the file cannot be written
  bool started;                  // through an argument file; else the length notice
};

TEST(LaunchJava, GivesJava9AndLaterTheOptionsOfACommandPastTheLimitInAnArgumentFile) {
  const std::string longOption = "-Dlong=" + std::string(33000, 'x');
  const ArgumentFileCase cases[] = {
      {"Java 17", "17.0.15", "", true},
      {"Java 9", "9", "", true},
      {"Java 8 keeps the notice", "1.8.0_452", "", false},
      {"a runtime of unknown version", "", "", false},
      {"a file that cannot be written", "17.0.15", "No space left on device", false},
  };
  for (const ArgumentFileCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset();
    fake::addJava("D:\\jre", c.version);
    state().privateFileError = c.privateFileError;
    launchSettings.configPath = "D:\\Apps\\app.config";
    launchSettings.mainClass = "app.Main";
    launchSettings.javaPath = "D:\\jre\\bin\\javaw.exe";
    launchSettings.vmParams.entries = {longOption, "-Dq=\"a b\"", "-Dp=C:\\dir\\", "-Dr=\\\""};
    launchSettings.vmPaths.entries = {"C:\\lib\\a.jar"};
    launchSettings.arguments.entries = {"two words", "x\\\"y z"};
    state().processOutcome = {true, 3, 0, ""};
    if (!c.started) {
      EXPECT_EQ(launchJava(), 2);
      EXPECT_TRUE(state().processes.empty());
      ASSERT_EQ(state().notices.size(), 1u);
      EXPECT_EQ(state().notices[0].text.substr(0, 27), "The Java command line has 3");
      EXPECT_TRUE(state().privateFiles.empty());
      continue;
    }
    EXPECT_EQ(launchJava(), 3);
    EXPECT_TRUE(state().notices.size() == 1u &&
                state().notices[0].text.find("Error=3") != std::string::npos);
    // Each word as Java would have had it from the command, quoted for the
    // file; the main class and the arguments stay in the command.
    EXPECT_EQ(state().writtenFiles,
              std::vector<std::string>{"\"" + longOption +
                                       "\"\n\"-Dq=a b\"\n\"-Dp=C:\\\\dir\\\\\"\n"
                                       "\"-Dr=\\\"\"\n\"-classpath\"\n\"C:\\\\lib\\\\a.jar;\"\n"});
    EXPECT_EQ(state().processes,
              std::vector<std::string>{
                  "D:\\jre\\bin\\javaw.exe @T:\\private\\1 app.Main \"two words\" \"x\\\"y z\""});
    // Removed once Java has ended.
    EXPECT_TRUE(state().privateFiles.empty());
  }
}

struct InsideCase {
  const char* name;
  const platform::Conventions* conventions;
  std::vector<std::string> files;  // besides the command's runtime's
  std::string command;
  std::string library;  // empty: a separate process, for reason
  std::vector<std::string> options;
  std::vector<std::string> arguments;
  std::string reason;
  std::size_t stackSize = 0;
  std::string splashImage = std::string();
};

TEST(PlanJavaInside, ReadsTheCommandAsTheJavaCommandReadsIt) {
  const platform::Conventions* posix = &platform::POSIX_CONVENTIONS;
  const platform::Conventions* windows = &platform::WINDOWS_CONVENTIONS;
  const std::string server = "/jdk/lib/server/libjvm.so";
  const std::string launcher = "-Dsun.java.launcher=SUN_STANDARD";
  const InsideCase cases[] = {
      {"options, classpath, main class and arguments",
       posix,
       {server},
       "/jdk/bin/java -Xmx1g -ea -classpath a.jar:b.jar: app.Main x \"y z\" ",
       server,
       {"-Xmx1g", "-ea", "-Djava.class.path=a.jar:b.jar:", "-Dsun.java.command=app.Main x y z",
        launcher},
       {"x", "y z"},
       ""},
      {"module options joined to their values",
       posix,
       {server},
       "/jdk/bin/java --add-opens java.base/java.lang=ALL-UNNAMED -p mods --add-modules=m "
       "--enable-native-access ALL-UNNAMED -classpath \"\" M",
       server,
       {"--add-opens=java.base/java.lang=ALL-UNNAMED", "--module-path=mods", "--add-modules=m",
        "--enable-native-access=ALL-UNNAMED", "-Djava.class.path=", "-Dsun.java.command=M",
        launcher},
       {},
       ""},
      {"dir/* and * as their jars, .jar and .JAR only; one that matches nothing as written",
       posix,
       {server},
       "/jdk/bin/java -classpath lib/*:*:empty/*:x/y*: M",
       server,
       {"-Djava.class.path=lib/a.jar:lib/B.JAR:lib/sub.jar:top.jar:empty/*:x/y*:",
        "-Dsun.java.command=M", launcher},
       {},
       ""},
      {"-Xss sizes the thread of main, -splash: is shown, -client chooses the client machine",
       posix,
       {server, "/jdk/lib/client/libjvm.so"},
       "/jdk/bin/java -Xss512k -splash:s.png -client -server -client -classpath \"\" M",
       "/jdk/lib/client/libjvm.so",
       {"-Xss512k", "-Djava.class.path=", "-Dsun.java.command=M", launcher},
       {},
       "",
       512 * 1024,
       "s.png"},
      {"a relative program, from the current directory",
       posix,
       {"/work/jre/lib/server/libjvm.so"},
       "jre/bin/java -classpath \"\" M",
       "/work/jre/lib/server/libjvm.so",
       {"-Djava.class.path=", "-Dsun.java.command=M", launcher},
       {},
       ""},
      {"a program in no runtime's bin, by the path its link leads to",
       posix,
       {server},
       "/usr/local/bin/java -classpath \"\" M",
       server,
       {"-Djava.class.path=", "-Dsun.java.command=M", launcher},
       {},
       ""},
      {"Windows: the runtime of a Java 8 JDK, a quoted path",
       windows,
       {"C:\\Program Files\\jdk8\\jre\\bin\\server\\jvm.dll"},
       "\"C:\\Program Files\\jdk8\\bin\\javaw.exe\" -classpath lib\\*;a.jar; M",
       "C:\\Program Files\\jdk8\\jre\\bin\\server\\jvm.dll",
       {"-Djava.class.path=lib\\w.jar;a.jar;", "-Dsun.java.command=M", launcher},
       {},
       ""},
      {"no library",
       posix,
       {},
       "/jdk/bin/java -classpath \"\" M",
       "",
       {},
       {},
       "the runtime /jdk has no virtual machine library (lib/server/libjvm.so)"},
      {"a Windows runtime without jvm.dll",
       windows,
       {},
       "C:\\jre\\bin\\javaw.exe -classpath \"\" M",
       "",
       {},
       {},
       "the runtime C:\\jre has no virtual machine library (bin\\server\\jvm.dll)"},
      {"a bare program name",
       posix,
       {server},
       "java -classpath \"\" M",
       "",
       {},
       {},
       "the Java command java names no directory"},
      {"a program outside a bin directory",
       posix,
       {server},
       "/jdk/java -classpath \"\" M",
       "",
       {},
       {},
       "the Java command /jdk/java is not in a runtime's bin directory"},
      {"-jar",
       posix,
       {server},
       "/jdk/bin/java -jar app.jar -classpath \"\" M",
       "",
       {},
       {},
       "the option -jar is the java command's"},
      {"-XshowSettings",
       posix,
       {server},
       "/jdk/bin/java -XshowSettings:all -classpath \"\" M",
       "",
       {},
       {},
       "the option -XshowSettings:all is the java command's"},
      {"an argument file",
       posix,
       {server},
       "/jdk/bin/java -classpath \"\" @app.args",
       "",
       {},
       {},
       "the java command reads the argument file @app.args"},
      {"a source file",
       posix,
       {server, "App.java"},
       "/jdk/bin/java -classpath \"\" App.java",
       "",
       {},
       {},
       "the java command compiles the source file App.java"},
      {"a stack size that is none",
       posix,
       {server},
       "/jdk/bin/java -Xss1x -classpath \"\" M",
       "",
       {},
       {},
       "the option -Xss1x is not a stack size"},
  };
  for (const InsideCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset(*c.conventions);
    for (const std::string& file : c.files) state().files[file] = "";
    state().directories["lib/"] = {{"a.jar", false},
                                   {"B.JAR", false},
                                   {"c.Jar", false},
                                   {"notes.txt", false},
                                   {"sub.jar", true}};
    state().directories["."] = {{"top.jar", false}};
    state().directories["lib\\"] = {{"w.jar", false}};
    state().links["/usr/local/bin/java"] = "/jdk/bin/java";
    const InsidePlan plan = planJavaInside(c.command);
    EXPECT_EQ(plan.possible, !c.library.empty());
    EXPECT_EQ(plan.reason, c.reason);
    if (!plan.possible) continue;
    EXPECT_EQ(plan.java.library, c.library);
    EXPECT_EQ(plan.java.options, c.options);
    EXPECT_EQ(plan.java.mainClass,
              c.command.find("app.Main") != std::string::npos ? "app.Main" : "M");
    EXPECT_EQ(plan.java.arguments, c.arguments);
    EXPECT_EQ(plan.java.stackSize, c.stackSize);
    EXPECT_EQ(plan.java.splashImage, c.splashImage);
  }

  // JDK_JAVA_OPTIONS is the java command's to read.
  fake::reset(*posix);
  state().files[server] = "";
  state().environment = {"JDK_JAVA_OPTIONS=-Xmx1g"};
  EXPECT_EQ(planJavaInside("/jdk/bin/java -classpath \"\" M").reason,
            "JDK_JAVA_OPTIONS is set, and the java command reads it");
}

struct InsideLaunchCase {
  const char* name;
  std::optional<std::string> jvm;
  bool library;
  platform::ProcessOutcome inside;
  std::size_t javaPathLength;
  int result;
  std::size_t insideStarts;
  std::size_t processes;
  std::string trace;  // the debug trace line about where Java starts; empty: none
};

TEST(LaunchJava, StartsJavaInsideTheLauncherWhereTheConfigurationAsksAndItCan) {
  const std::string library = "D:\\jre\\bin\\server\\jvm.dll";
  const InsideLaunchCase cases[] = {
      {"inside, ending with 3",
       "launcher",
       true,
       {true, 3, 0, ""},
       0,
       3,
       1,
       0,
       "Java starts inside the launcher: " + library + "\n"},
      {"inside, a command too long for a process",
       "launcher",
       true,
       {true, 0, 0, ""},
       33000,
       0,
       1,
       0,
       "Java starts inside the launcher: " + library + "\n"},
      {"a library that cannot be loaded",
       "launcher",
       true,
       {false, 0, 0, "it is a 32-bit x86 library, and the launcher a 64-bit x64 program"},
       0,
       3,
       1,
       1,
       "Java starts inside the launcher: " + library +
           "\nJava starts as a separate process: " + library +
           " cannot be loaded: it is a 32-bit x86 library, and the launcher a 64-bit x64 "
           "program\n"},
      {"no library",
       "launcher",
       false,
       {},
       0,
       3,
       0,
       1,
       "Java starts as a separate process: the runtime D:\\jre has no virtual machine library "
       "(bin\\server\\jvm.dll)\n"},
      {"jvm separate", "separate", true, {}, 0, 3, 0, 1, ""},
      {"no jvm line", std::nullopt, true, {}, 0, 3, 0, 1, ""},
  };
  for (const InsideLaunchCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset();
    launchSettings.debugMode = true;
    launchSettings.mainClass = "M";
    launchSettings.jvm = c.jvm;
    launchSettings.javaPath =
        "D:\\jre\\bin\\java.exe" + std::string(c.javaPathLength + 1, ' ') + "-Dx";
    if (c.library) state().files[library] = "";
    state().insideOutcome = c.inside;
    state().processOutcome = {true, 3, 0, ""};
    EXPECT_EQ(launchJava(), c.result);
    EXPECT_EQ(state().inside.size(), c.insideStarts);
    EXPECT_EQ(state().processes.size(), c.processes);
    std::string traced;
    for (const std::string& event : state().events) {
      if (event.compare(0, 17, "trace Java starts") == 0) traced += event.substr(6);
    }
    EXPECT_EQ(traced, c.trace);
    // The end is reported as for a separate process.
    EXPECT_EQ(state().events.back(),
              formatText("trace CreateProcess ret 1, exitCode=%d\n", c.result));
    if (c.result != 0) {
      EXPECT_EQ(state().notices.back(),
                (Notice{"Error",
                        "Error launching Class M\n with Java " + *launchSettings.javaPath +
                            ".\nError=" + std::to_string(c.result),
                        NoticeStyle::ERROR}));
    }
  }
}

}  // namespace
}  // namespace carafe
