// carafe-check over the fake machine: what it says of each kind of line the
// launcher skips without a word, and its exit code.
#include <gtest/gtest.h>

#include <functional>

#include "check/report.h"
#include "check/run.h"
#include "check/zip_entries.h"
#include "check_fake.h"
#include "fake_platform.h"

namespace carafe::check {
namespace {

using fake::state;

void putLittle(std::string& bytes, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A zip file of empty stored entries with these names.
std::string zipOf(const std::vector<std::string>& names) {
  std::string local;
  std::string central;
  for (const std::string& name : names) {
    const std::size_t offset = local.size();
    putLittle(local, 0x04034b50, 4);
    local += std::string(22, '\0');
    putLittle(local, name.size(), 2);
    putLittle(local, 0, 2);
    local += name;
    putLittle(central, 0x02014b50, 4);
    central += std::string(24, '\0');
    putLittle(central, name.size(), 2);
    central += std::string(12, '\0');
    putLittle(central, offset, 4);
    central += name;
  }
  std::string zip = local + central;
  putLittle(zip, 0x06054b50, 4);
  putLittle(zip, 0, 4);
  putLittle(zip, names.size(), 2);
  putLittle(zip, names.size(), 2);
  putLittle(zip, central.size(), 4);
  putLittle(zip, local.size(), 4);
  putLittle(zip, 0, 2);
  return zip;
}

// ASCII text as an editor saves it as "Unicode": UTF-16LE after its mark.
std::string utf16(const std::string& text) {
  std::string bytes = "\xFF\xFE";
  for (char c : text) bytes += std::string{c, '\0'};
  return bytes;
}

// The first bytes of a Windows library built for machine.
std::string libraryHeader(unsigned machine) {
  std::string bytes = "MZ" + std::string(0x3A, '\0');
  putLittle(bytes, 0x40, 4);
  bytes += std::string("PE\0\0", 4);
  putLittle(bytes, machine, 2);
  return bytes;
}

// A machine with one runtime and the application's jar; app.exe and its
// configuration in D:\Apps. Two runtimes beside it have a jvm.dll, one for
// x64 and one for x86.
Report check(const std::string& config, bool quiet = true) {
  fake::reset(platform::WINDOWS_CONVENTIONS);
  fake::addRuntime("1.8", "C:\\jre");
  fake::addRuntime("1.8.0_60", "C:\\jre");
  fake::setCurrentVersion("1.8");
  state().files["C:\\jre\\bin\\javaw.exe"] = "MZ";
  for (const auto& runtime : {std::make_pair("C:\\jre64", 0x8664u), {"C:\\jre32", 0x14Cu}}) {
    state().files[std::string(runtime.first) + "\\bin\\javaw.exe"] = "MZ";
    state().files[std::string(runtime.first) + "\\bin\\server\\jvm.dll"] =
        libraryHeader(runtime.second);
  }
  state().files["app.jar"] = zipOf({"META-INF/MANIFEST.MF", "app/Main.class"});
  state().files["app-old.jar"] = zipOf({"app/Main.class"});
  state().files["x-1.2.jar"] = zipOf({"x/X.class"});
  state().files["X-1.3.jar"] = zipOf({"x/X.class"});
  state().files["x-1.3-natives.jar"] = zipOf({"x/native.dll"});
  // The same by the full paths that the launcher's directory gives them.
  state().files["D:\\Apps\\app.jar"] = state().files["app.jar"];
  state().directories["D:\\Apps\\lib"] = {};
  state().files["D:\\Apps\\app.config"] = config;
  state().directories["lib"] = {};
  state().directories["."] = {};  // the launcher's directory, D:\Apps
  state().files["./app/Main.class"] = "";
  state().environment = {"HOME=C:\\me", "LOCALAPPDATA=C:\\me\\Local"};
  state().directories["C:\\me\\Local"];
  fake::registryKeyAt(platform::RegistryRoot::MACHINE_64, "SOFTWARE\\JavaSoft\\JDK").subkeys = {
      "17"};
  fake::registryKeyAt(platform::RegistryRoot::MACHINE_64, "SOFTWARE\\JavaSoft\\JDK\\17")
      .values["javahome"] = "C:\\jdk17";
  fake::addJava("C:\\jdk17", "17.0.2");
  // The application's own runtime, for the configurations that name it.
  state().files["D:\\Apps\\runtime\\bin\\javaw.exe"] = "MZ";
  state().files["D:\\Apps\\runtime\\release"] = "JAVA_VERSION=\"21.0.1\"\n";
  return writeReport(runChecked("D:\\Apps\\app.exe", {}), quiet);
}

TEST(Check, SaysWhyEachSkippedLineDoesNothing) {
  const std::string at = "D:\\Apps\\app.config:";
  const struct {
    const char* name;
    std::string config;
    std::string said;  // a line of the quiet report; empty: none at all
    int exitCode;
  } cases[] = {
      {"nothing wrong", "# app\n\nmainclass app.Main\r\naddjar app.jar\n", "", CHECK_CLEAN},
      {"a main class in the current directory, the classpath empty", "mainclass app.Main\n", "",
       CHECK_CLEAN},
      {"another letter case", "Mainclass app.Main\nmainclass app.Main\naddjar app.jar\n",
       at + "1: warning: no keyword: \"Mainclass\" is not \"mainclass\"; keywords are written "
            "exactly, in this letter case",
       CHECK_WARNINGS},
      {"a tab for the space", "vmparam\t-Xmx1m\nmainclass app.Main\naddjar app.jar\n",
       at + "1: warning: a tab follows \"vmparam\": only a space separates a keyword from its "
            "value, so the line is skipped",
       CHECK_WARNINGS},
      {"no space", "mainclass\nmainclass app.Main\naddjar app.jar\n",
       at + "1: warning: \"mainclass\" without a value", CHECK_WARNINGS},
      {"a leading space", "  vmparam -Xmx1m\nmainclass app.Main\naddjar app.jar\n",
       at + "1: warning: begins with a space: a keyword must stand at the very start of the line",
       CHECK_WARNINGS},
      {"two letters off", "mainclas app.Main\nmainclass app.Main\naddjar app.jar\n",
       at + "1: warning: no keyword: the line is ignored; did you mean \"mainclass\"?",
       CHECK_WARNINGS},
      {"a keyword matched by its beginning",
       "vmparams -Xmx1g\nmainclass app.Main\naddjar app.jar\n",
       at + "1: warning: \"vmparams\" is taken as \"vmparam\": a line that begins with a keyword "
            "is that keyword's line",
       CHECK_WARNINGS},
      {"a variable that is not set",
       "addpath $NOT_SET\\x.jar\nmainclass app.Main\naddjar app.jar\n",
       at + "1: warning: $NOT_SET is not set, so the value is used as written: $NOT_SET\\x.jar",
       CHECK_WARNINGS},
      {"a jar directory that does not exist", "addjars nolib\nmainclass app.Main\naddjar app.jar\n",
       at + "1: warning: adds no jar: \"nolib\" does not exist", CHECK_WARNINGS},
      {"a jar directory without jars", "addjars lib\nmainclass app.Main\naddjar app.jar\n",
       at + "1: warning: adds no jar: \"lib\" holds no file ending in .jar", CHECK_WARNINGS},
      {"a later line replaces this one", "mainclass a.B\nmainclass app.Main\naddjar app.jar\n",
       at + "1: warning: replaced by " + at + "2, which sets mainClass again", CHECK_WARNINGS},
      {"a byte order mark inside the file",
       "mainclass app.Main\naddjar app.jar\n\xEF\xBB\xBF"
       "appname x\n",
       at + "3: warning: a byte order mark (EF BB BF) stands before the keyword", CHECK_WARNINGS},
      {"an optional file that is not there",
       "optionalInclude $HOME\\user.config\nmainclass app.Main\naddjar app.jar\n", "", CHECK_CLEAN},
      {"an own runtime that is not there",
       "bundledRuntime jre\nmainclass app.Main\naddjar app.jar\n",
       at + "1: warning: the application's own runtime is not used: D:\\Apps\\jre\\bin\\javaw.exe "
            "is missing, so the launcher finds a runtime as without this line",
       CHECK_WARNINGS},
      {"a download page after the javaVersion line it would serve",
       "mainclass app.Main\naddjar app.jar\njavaVersion 1.8\ndownloadUrl https://example.com/j\n",
       at + "4: warning: comes after the javaVersion line " + at +
           "3, which is looked up when it is read: its download offer cannot use this line",
       CHECK_WARNINGS},
      // Past the command-line limit: Java 17 reads an argument file, Java 8 cannot start.
      {"a long command, Java 17",
       "mainclass app.Main\naddjar app.jar\njavapath C:\\jdk17\\bin\\javaw.exe\nvmparam -Dx=" +
           std::string(33000, 'x') + "\n",
       "", CHECK_CLEAN},
      {"a long command, a runtime of unknown version",
       "mainclass app.Main\naddjar app.jar\nvmparam -Dx=" + std::string(33000, 'x') + "\n",
       "The Java command line has 33", CHECK_NO_START},
      {"a name and a download page above the javaVersion line",
       "appname App\ndownloadUrl https://example.com/j\njavaVersion 1.8\nmainclass app.Main\n"
       "addjar app.jar\n",
       "", CHECK_CLEAN},
      {"an own runtime named after the machine has been searched",
       "mainclass app.Main\naddjar app.jar\njavaVersion 1.8\nbundledRuntime runtime\n",
       at + "4: warning: comes after the javaVersion line " + at +
           "3, which has searched the machine already",
       CHECK_WARNINGS},
      {"an include that cannot be opened",
       "include nope.config\nmainclass app.Main\naddjar app.jar\n",
       at + "1: warning: standard error: Can't open nope.config Error No such file or directory",
       CHECK_WARNINGS},
      {"a main class in no classpath entry", "mainclass app.Other\naddjar app.jar\n",
       "D:\\Apps\\app.config: warning: main class app.Other is in no classpath entry",
       CHECK_WARNINGS},
      {"the main class in a second jar", "mainclass app.Main\naddjar app.jar\naddjar app-old.jar\n",
       "D:\\Apps\\app.config: warning: main class app.Main is in app-old.jar too, after app.jar, "
       "whose copy Java starts: remove the one that is not meant",
       CHECK_WARNINGS},
      {"one library in two versions, and another classifier of it",
       "mainclass app.Main\naddjar app.jar\naddjar x-1.2.jar\naddjar x-1.3-natives.jar\n"
       "addjar X-1.3.jar\n",
       "D:\\Apps\\app.config: warning: x-1.2.jar and X-1.3.jar are one library in two versions: "
       "Java takes each class from the first only; remove the one that is not meant",
       CHECK_WARNINGS},
      {"a classpath entry that does not exist",
       "mainclass app.Main\naddjar app.jar\naddjar x.jar\n",
       "D:\\Apps\\app.config: warning: classpath entry x.jar does not exist", CHECK_WARNINGS},
      {"an exact version that is not installed", "mainclass app.Main\njavaVersion 1.8.0_99\n",
       at + "2: error: the launcher ends here, with exit code 5", CHECK_NO_START},
      {"a download offer, answered No", "mainclass app.Main\njavaVersion 1.8.0_99+\n",
       at + "2: warning: notice \"Incompatible JRE Version Found\" (error): app.Main requires the "
            "Java Runtime Environment version 1.8.0_99+\\nDo you want to download it? -- a "
            "question with Yes and No; the check answers No; Yes would open "
            "https://adoptium.net/temurin/releases/?version=8",
       CHECK_NO_START},
      {"saved as UTF-16: its refusal alone, no finding for the bytes of its line 1",
       utf16("mainclass app.Main\n"),
       "D:\\Apps\\app.config: warning: notice \"Error\" (error): Can't read D:\\Apps\\app.config: "
       "it is saved as UTF-16 (\"Unicode\").\\nSave it as UTF-8 and start again.\n"
       "D:\\Apps\\app.config: error: the launcher would not start Java",
       CHECK_NO_START},
      {"Java inside the launcher",
       "mainclass app.Main\naddjar app.jar\njvm launcher\n"
       "javapath C:\\jre64\\bin\\javaw.exe\n",
       "", CHECK_CLEAN},
      {"Java inside the launcher, but a 32-bit jvm.dll",
       "mainclass app.Main\naddjar app.jar\njvm launcher\njavapath C:\\jre32\\bin\\javaw.exe\n",
       "D:\\Apps\\app.config: warning: jvm launcher, but Java starts as a separate process: "
       "C:\\jre32\\bin\\server\\jvm.dll cannot be loaded: it is a 32-bit x86 library, and the "
       "launcher a 64-bit x64 program",
       CHECK_WARNINGS},
      {"Java inside the launcher, but a runtime without jvm.dll",
       "mainclass app.Main\naddjar app.jar\njvm launcher\n",
       "D:\\Apps\\app.config: warning: jvm launcher, but Java starts as a separate process: the "
       "runtime C:\\jre has no virtual machine library (bin\\server\\jvm.dll)",
       CHECK_WARNINGS},
      {"a jvm line of another value", "mainclass app.Main\naddjar app.jar\njvm inside\n",
       at + "3: warning: notice \"Error\" (error): \"jvm inside\" is not understood",
       CHECK_WARNINGS},
      {"no main class", "addjar app.jar\n",
       "D:\\Apps\\app.config: error: the launcher would not start Java: \"Error\": "
       "D:\\Apps\\app.config has no \"mainclass\" line. (exit code 2)",
       CHECK_NO_START},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Report report = check(c.config);
    EXPECT_EQ(report.exitCode, c.exitCode) << report.text;
    if (c.said.empty()) {
      EXPECT_EQ(report.text, "");
    } else {
      EXPECT_NE(report.text.find(c.said), std::string::npos) << report.text;
    }
  }
}

TEST(Check, ReportsEveryLineAndWhereTheRuntimeIsWhenNoneIsFound) {
  const Report report =
      check("# the app\nmainclass app.Main\njavapath C:\\nowhere\\javaw.exe\n", false);
  EXPECT_EQ(report.exitCode, CHECK_NO_START);
  for (const std::string& expected : {
           std::string("    1 | # the app\n      comment\n"),
           std::string("    2 | mainclass app.Main\n      sets the main class to \"app.Main\"\n"),
           std::string("    error: its program cannot be started: No such file or directory\n"),
           std::string(
               "  Java 17.0.2: C:\\jdk17 (HKLM (64-bit view) SOFTWARE\\JavaSoft\\JDK\\17), "
               "the default\n    select it with: javaVersion 17+ (the highest Java of at least 17, "
               "which this is), or javapath C:\\jdk17\\bin\\javaw.exe\n"),
           std::string("    [0] C:\\nowhere\\javaw.exe\n    [1] -classpath\n    [2] \n"),
           std::string("The launcher would not start Java: Java cannot be started: No such file "
                       "or directory.\n  It would end with exit code 2.\n"),
       }) {
    EXPECT_NE(report.text.find(expected), std::string::npos) << expected << "\n" << report.text;
  }
}

TEST(Check, SaysWhereTheConfigurationWasFoundAndWhereJavaRuns) {
  fake::reset(platform::WINDOWS_CONVENTIONS);
  fake::addRuntime("1.8", "C:\\jre");
  fake::setCurrentVersion("1.8");
  state().files["D:\\Apps\\app.config"] =
      "mainclass app.Main\naddpath app.jar\nworkingDirectory caller\n";
  state().programFiles = {"D:\\Apps\\app.exe"};
  const std::string text = writeReport(runChecked("app", {}), false).text;
  for (const std::string& expected : {
           std::string("  configuration file: D:\\Apps\\app.config\n    found beside the "
                       "launcher's program file D:\\Apps\\app.exe: argument 0 does not lead"),
           std::string("      sets Java's directory to \"caller\"\n"),
           std::string("Java's directory\n  D:\\Work (workingDirectory caller"),
           std::string(" -classpath D:\\Apps\\app.jar;D:\\Apps app.Main\n"),
       }) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
}

TEST(Check, ExplainsWhatAJavaVersionAsksForAndWhichPageYesOpens) {
  const struct {
    std::string config;
    std::vector<std::string> said;  // lines of the full report
  } cases[] = {
      {"javaVersion 1.8+\n",
       {"      a minimum version: the highest runtime of at least \"1.8\"",
        "      satisfied by \"1.8\", \"1.8.0_60\", \"17\", \"17.0.2\": 2 of the 2 runtimes "
        "the launcher sees\n"
        "      chooses \"1.8.0_60\"\n"}},  // the runtime registry answers alone
      {"javaVersion 1.8.0_5+\n",
       {"      a minimum patch level: of the runtimes whose name begins with \"1.8.0\", the one "
        "with the highest patch level, which must be at least 5\n"
        "      satisfied by \"1.8.0_60\": 1 of the 2 runtimes"}},
      {"javaVersion 17+\n",  // found beyond the runtime registry
       {"      satisfied by \"17\", \"17.0.2\": 1 of the 2 runtimes the launcher sees\n"
        "      chooses \"17.0.2\"\n",
        "    satisfies javaVersion 17+: it is at least 17\n"}},
      {"javaVersion 99+\n",
       {"      no runtime satisfies it; the launcher sees \"1.8\", \"1.8.0_60\", \"17\", "
        "\"17.0.2\"\n",
        "the check answers No; Yes would open "
        "https://adoptium.net/temurin/releases/?version=99\n",
        // A runtime that the requirement refuses is not offered as a fix.
        "    does not satisfy javaVersion 99+: it is below 99\n"
        "  none of them satisfies javaVersion 99+: install one "
        "(https://adoptium.net/temurin/releases/?version=99), or ship one"}},
      {"javaVersion 11\n",
       {"  none of them satisfies javaVersion 11: install one",
        "  where the application runs on later versions too, javaVersion 11+ accepts them\n"}},
      {"downloadUrl https://example.com/app/java\njavaVersion 1.8.0_99\n",
       {"      an exact version: the runtime named \"1.8.0_99\" and no other\n",
        "      sets the download page to \"https://example.com/app/java\"\n",
        "the check answers No; Yes would open https://example.com/app/java\n"}},
      {"javaVersion 1.7.0_80\n", {"the check answers No; Yes would open no page\n"}},
      {"bundledRuntime runtime\njavaVersion 17+\n",
       {"      sets the application's own runtime to \"D:\\Apps\\runtime\"\n"
        "      sets the Java command to \"D:\\Apps\\runtime\\bin\\javaw.exe\"",
        "      not looked up: the application's own runtime (bundledRuntime) is the Java command",
        "  the application's own runtime (bundledRuntime): Java 21.0.1 at D:\\Apps\\runtime; "
        "nothing else is searched\n"
        "    its version satisfies javaVersion 17+: it is at least 17\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.config);
    const Report report = check("mainclass app.Main\naddjar app.jar\n" + c.config, false);
    for (const std::string& said : c.said) {
      EXPECT_NE(report.text.find(said), std::string::npos) << said << "\n" << report.text;
    }
  }
}

TEST(Check, TellsAUserWithoutJavaWhereTheLauncherLookedInTheMachinesOwnWords) {
  const struct {
    const char* name;
    const platform::Conventions* conventions;
    std::string launcher;
    std::vector<std::string> arguments;
    std::function<void()> machine;
    std::vector<std::string> said;    // lines of the full report
    std::vector<std::string> unsaid;  // words it does not use
    int exitCode;
  } cases[] = {
      {"POSIX, a runtime: no registry or Windows words",
       &platform::POSIX_CONVENTIONS,
       "/opt/app/app",
       {},
       [] {
         fake::addRuntime("17", "/usr/lib/jvm/jdk-17.0.15");
         fake::addRuntime("17.0.15", "/usr/lib/jvm/jdk-17.0.15");
         fake::setCurrentVersion("17");
         fake::addJava("/usr/lib/jvm/jdk-17.0.15", "17.0.15");
         state().files["/opt/app/app.config"] = "mainclass app.Main\nvmparam -Dx=1\n";
       },
       {"  no javapath or javaVersion line: the default runtime (JAVA_HOME's, else the one that "
        "java on PATH belongs to, else the highest) among the runtimes of the system's JVM "
        "directories (/usr/lib/jvm) and JAVA_HOME\n    Java 17, its highest runtime "
        "/usr/lib/jvm/jdk-17.0.15\n",
        "Command line\n  /usr/lib/jvm/jdk-17.0.15/bin/java -Dx=1 -classpath \"\" app.Main\n"
        "  62 characters\n",
        // A folder named by its whole version is suggested last, with why.
        "    select it with: javaVersion 17+ (the highest Java of at least 17, which this is), or "
        "javapath /usr/lib/jvm/jdk-17.0.15/bin/java, which an update breaks: it renames the "
        "folder named by the version\n"},
       {"egistry", "Windows", "SOFTWARE"},
       CHECK_WARNINGS},  // the main class is in no classpath entry
      {"POSIX, nothing: every place searched",
       &platform::POSIX_CONVENTIONS,
       "/opt/app/app",
       {},
       [] {
         state().environment = {"HOME=/home/me", "JAVA_HOME=/home/me/jdk"};
         state().directories["/home/me/.jdks"] = {{"broken", true}};
         state().files["/opt/app/app.config"] = "mainclass app.Main\n";
       },
       {"  no runtime found; where the launcher looked:\n"
        "    JAVA_HOME: /home/me/jdk: no /home/me/jdk/bin/java\n",
        "    /home/me/.jdks: /home/me/.jdks/broken: no /home/me/.jdks/broken/bin/java\n",
        "    not present or empty: /usr/lib/jvm, /usr/lib64/jvm, /opt, "
        "/Library/Java/JavaVirtualMachines, /home/me/.sdkman/candidates/java, ",
        "  install a Java runtime, or ship one with the application"},
       {"egistry", "Windows"},
       CHECK_NO_START},
      {"POSIX, one word longer than Linux takes",
       &platform::POSIX_CONVENTIONS,
       "/opt/app/app",
       {},
       [] {
         fake::addRuntime("17", "/usr/lib/jvm/java-17");
         fake::setCurrentVersion("17");
         fake::addJava("/usr/lib/jvm/java-17", "17.0.15");
         state().files["/opt/app/app.config"] =
             "mainclass app.Main\naddpath " + std::string(140000, 'a') + "\n";
       },
       {"    warning: word [2] has 140001 bytes; this system starts no program with an argument "
        "of more than 131071\n"},
       {"Windows"},
       CHECK_WARNINGS},
      {"Windows in debug mode: the registry's notice explained",
       &platform::WINDOWS_CONVENTIONS,
       "D:\\Apps\\app.exe",
       {"-d"},
       [] { state().files["D:\\Apps\\app.config"] = "mainclass app.Main\n"; },
       {"notice \"Error Accessing Registry!\" (error): SOFTWARE\\JavaSoft\\Java Runtime "
        "Environment -- a notice of debug mode: the classic key HKLM\\SOFTWARE\\JavaSoft\\Java "
        "Runtime Environment does not exist: no installer wrote it (few do today); the launcher "
        "then searches the rest of the machine",
        "    the runtime registry (HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment): not "
        "present\n"},
       {},
       CHECK_NO_START},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset(*c.conventions);
    c.machine();
    const Report report = writeReport(runChecked(c.launcher, c.arguments), false);
    EXPECT_EQ(report.exitCode, c.exitCode) << report.text;
    for (const std::string& said : c.said) {
      EXPECT_NE(report.text.find(said), std::string::npos) << said << "\n" << report.text;
    }
    for (const std::string& unsaid : c.unsaid) {
      EXPECT_EQ(report.text.find(unsaid), std::string::npos) << unsaid << "\n" << report.text;
    }
  }
}

TEST(Check, TellsWhatTheStartupCacheWouldBeAndWritesNothing) {
  const std::string start = "mainclass app.Main\njavapath C:\\jdk17\\bin\\javaw.exe\n";
  const struct {
    const char* name;
    std::string config;
    std::string said;
  } cases[] = {
      {"to be made", start + "addjar app.jar\nstartupCache on\n",
       "Startup cache\n  would be made in C:\\me\\Local\\app by this start\n"},
      {"a directory on the classpath", start + "addjar app.jar\naddpath lib\nstartupCache on\n",
       "Startup cache\n  none: the classpath entry D:\\Apps\\lib is a directory\n"},
      {"off", start + "addjar app.jar\nstartupCache off\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Report report = check(c.config, false);
    const std::size_t at = report.text.find("Startup cache\n");
    EXPECT_EQ(at == std::string::npos ? "" : report.text.substr(at, c.said.size()), c.said)
        << report.text;
    for (const auto& file : state().files) {
      EXPECT_EQ(file.first.find("C:\\me\\Local\\app\\"), std::string::npos) << file.first;
    }
    EXPECT_EQ(state().directories.count("C:\\me\\Local\\app"), 0u);
  }
}

TEST(ZipEntries, ReadsTheCentralDirectoryOrSaysWhatIsWrong) {
  const std::string jar = zipOf({"a/B.class", "META-INF/versions/11/a/C.class"});
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> names;
    std::string problem;
  } cases[] = {
      {"a jar", jar, {"a/B.class", "META-INF/versions/11/a/C.class"}, ""},
      {"a text file",
       "just text, long enough to be looked at\n",
       {},
       "not a zip file (no end of central directory)"},
      {"cut short", jar.substr(jar.size() - 22), {}, "its central directory lies outside the file"},
      {"an entry cut short",
       jar.substr(0, 30) + jar.substr(jar.size() - 22),
       {},
       "its central directory lies outside the file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> names;
    std::string problem;
    const bool read = readZipEntries(
        c.bytes.size(),
        [&c](std::uint64_t offset, std::size_t size, std::string& bytes) {
          bytes = c.bytes.substr(static_cast<std::size_t>(offset), size);
          return true;
        },
        names, problem);
    EXPECT_EQ(read, c.problem.empty());
    EXPECT_EQ(names, c.names);
    EXPECT_EQ(problem, c.problem);
  }
}

}  // namespace
}  // namespace carafe::check
