// The startup cache: the options per runtime, where the cache lives, what
// names it, and that nothing about it keeps the application from starting.
#include "launch/startup_cache.h"

#include <gtest/gtest.h>

#include <set>

#include "core/settings.h"
#include "fake_platform.h"
#include "launch/launch.h"

namespace carafe {
namespace {

// Java's end as the platform reports it.
platform::ProcessOutcome ended(std::uint32_t exitCode, bool abnormalEnd, bool aborted) {
  platform::ProcessOutcome outcome;
  outcome.created = true;
  outcome.exitCode = exitCode;
  outcome.abnormalEnd = abnormalEnd;
  outcome.aborted = aborted;
  return outcome;
}

using fake::state;

const std::string JDK = "/jdk";
const std::string JAVA = "/jdk/bin/java";
const std::string CACHE = "/home/u/.cache/Editor";

// A POSIX machine with a runtime of version at /jdk, the application's jar
// and a user whose cache folder is ~/.cache.
void machine(const std::string& version) {
  fake::reset(platform::POSIX_CONVENTIONS);
  fake::addJava(JDK, version);
  state().environment = {"HOME=/home/u"};
  state().directories["/home/u"];
  state().directories["/app"];
  state().files["/app/a.jar"] = "jar bytes";
  state().javaWrites = "archive";
  launchSettings.workingDir = "/app";
  launchSettings.launcherName = "editor";
  launchSettings.appName = "Editor";
  launchSettings.mainClass = "app.Main";
  launchSettings.javaPath = JAVA;
  launchSettings.startupCache = "on";
  appendToList(launchSettings.vmPaths, "a.jar");
}

std::string lastProcess() { return state().processes.empty() ? "" : state().processes.back(); }

// The command with the cache's own names made readable: the digest as D,
// the unique part of a temporary name as N.
std::string readable(std::string command) {
  const std::string folder = CACHE + "/";
  for (std::size_t at = command.find(folder); at != std::string::npos;
       at = command.find(folder, at + 1)) {
    const std::size_t start = at + folder.size();
    if (command.size() < start + 16) break;
    command.replace(start, 16, "D");
    const std::size_t dot = start + 1;
    if (command.compare(dot, 1, ".") == 0) {
      const std::size_t end = command.find_first_of(". /", dot + 1);
      if (end != std::string::npos && command[end] == '.')
        command.replace(dot + 1, end - dot - 1, "N");
    }
  }
  return command;
}

std::string cacheTrace() {
  std::string traced;
  for (const std::string& event : state().events) {
    if (event.compare(0, 19, "trace Startup cache") == 0) traced += event.substr(6);
  }
  return readable(traced);
}

struct VersionCase {
  const char* version;  // of the release file; empty: none
  std::string first;    // the command's options on the first start
  std::string second;   // and on the second
  std::string trace;    // of the first start, in debug mode
};

TEST(StartupCache, AddsTheOptionsThatFitTheRuntime) {
  const std::string plain = JAVA + " -classpath a.jar: app.Main";
  const std::string record =
      JAVA + " -XX:AOTMode=record -XX:AOTConfiguration=" + CACHE +
      "/D.N.aotconf.part -Xlog:cds=off -Xlog:aot=off -XX:+UnlockDiagnosticVMOptions "
      "-XX:-DisplayVMOutput -classpath a.jar: app.Main";
  const std::string aotCache = JAVA + " -XX:AOTCache=" + CACHE +
                               "/D-7.aot -Xlog:cds=off -Xlog:aot=off -classpath a.jar: app.Main";
  const std::string list = JAVA + " -XX:DumpLoadedClassList=" + CACHE +
                           "/D.N.classes.part -Xlog:cds=off -classpath a.jar: app.Main";
  const std::string archive = JAVA + " -XX:SharedArchiveFile=" + CACHE +
                              "/D-7.jsa -Xlog:cds=off -classpath a.jar: app.Main";
  const auto assembly = [](const char* recorded, const char* made) {
    return "Startup cache made: " + CACHE + "/D.N." + recorded +
           ".part\nStartup cache assembled in the background: " + CACHE + "/D.N." + made +
           ".part\n";
  };
  const VersionCase cases[] = {
      // A run records; the cache is assembled in the background after it,
      // and the next start uses it.
      {"25", record, aotCache, assembly("aotconf", "aot")},
      {"26.0.1", record, aotCache, assembly("aotconf", "aot")},
      {"24", list, archive, assembly("classes", "jsa")},
      {"19.0.2", list, archive, assembly("classes", "jsa")},
      {"17.0.15", list, archive, assembly("classes", "jsa")},
      {"13", list, archive, assembly("classes", "jsa")},
      {"11.0.2", plain, plain,
       "Startup cache refused: Java 11.0.2 keeps no class data between runs\n"},
      {"1.8.0_452", plain, plain,
       "Startup cache refused: Java 1.8.0_452 keeps no class data between runs\n"},
      {"", plain, plain,
       "Startup cache refused: the runtime's version is not known: /jdk/release: No such file "
       "or directory\n"},
      {"unknown", plain, plain, "Startup cache refused: the runtime's version is not known\n"},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.version);
    machine(c.version);
    launchSettings.debugMode = true;
    EXPECT_EQ(launchJava(), 0);
    EXPECT_EQ(readable(lastProcess()), c.first);
    EXPECT_EQ(cacheTrace(), c.trace);
    // The next start of the same application.
    launchSettings.vmParams.entries.clear();
    EXPECT_EQ(launchJava(), 0);
    EXPECT_EQ(readable(lastProcess()), c.second);
    // Nothing of the cache in the application's folder, whatever happened.
    EXPECT_EQ(state().directories["/app"].size(), 0u);
  }
}

TEST(StartupCache, LeavesTheCommandAsItWasWithoutOnOrWhereItCannotHelp) {
  struct Case {
    const char* name;
    void (*shape)();
    std::string trace;
  };
  const Case cases[] = {
      {"startupCache off", [] { launchSettings.startupCache = "off"; }, ""},
      {"no line", [] { launchSettings.startupCache.reset(); }, ""},
      {"a directory on the classpath",
       [] {
         state().directories["/app/classes"];
         appendToList(launchSettings.vmPaths, "classes");
       },
       "refused: the classpath entry /app/classes is a directory"},
      {"a missing jar", [] { appendToList(launchSettings.vmPaths, "gone.jar"); },
       "refused: the classpath entry /app/gone.jar is missing"},
      {"a jar directory's wildcard", [] { appendToList(launchSettings.vmPaths, "lib/*"); },
       "refused: the classpath entry /app/lib/* names every jar of a directory"},
      {"workingDirectory caller", [] { launchSettings.workingDirectory = "caller"; },
       "refused: the classpath holds the launcher's directory (workingDirectory)"},
      {"the configuration's own archive option",
       [] { appendToList(launchSettings.vmParams, "-Xshare:off"); },
       "refused: the option -Xshare:off decides it"},
      {"a Java path outside a runtime", [] { launchSettings.javaPath = "java"; },
       "refused: the Java command is not in a runtime's bin directory"},
      {"no home", [] { state().environment.clear(); },
       "refused: neither XDG_CACHE_HOME nor HOME names a folder"},
      {"a relative XDG_CACHE_HOME and no HOME",
       [] { state().environment = {"XDG_CACHE_HOME=cache"}; },
       "refused: neither XDG_CACHE_HOME nor HOME names a folder"},
      {"a cache base every user can write",
       [] {
         state().environment = {"XDG_CACHE_HOME=/tmp"};
         state().directories["/tmp"];
         state().othersWritable = {"/tmp"};
       },
       "refused: /tmp can be written by other users"},
      {"a read-only cache folder",
       [] {
         state().directories["/home/u/.cache/Editor"];
         state().unwritable = {"/home/u/.cache/Editor"};
       },
       "refused: /home/u/.cache/Editor cannot be written"},
      {"a file where the cache folder goes",
       [] {
         state().directories["/home/u/.cache"];
         state().files["/home/u/.cache/Editor"] = "";
       },
       "refused: /home/u/.cache/Editor is no folder of the user's own"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    machine("17");
    launchSettings.debugMode = true;
    c.shape();
    const std::vector<std::string> configured = launchSettings.vmParams.entries;
    EXPECT_EQ(launchJava(), 0);
    EXPECT_EQ(lastProcess().find("-XX:"), std::string::npos) << lastProcess();
    EXPECT_EQ(launchSettings.vmParams.entries, configured);
    EXPECT_EQ(cacheTrace(), c.trace.empty() ? "" : "Startup cache " + c.trace + "\n");
  }
}

TEST(StartupCache, KeepsWhatJavaWroteOnlyWhenItEndedNormally) {
  struct Case {
    const char* name;
    platform::ProcessOutcome outcome;
    std::string javaWrites;
    bool kept;
    bool refusedLater;  // later starts ask for no cache again
  };
  const Case cases[] = {
      {"exit 0", ended(0, false, false), "archive", true, false},
      {"System.exit(3): a normal end", ended(3, false, false), "archive", true, false},
      {"killed by a signal", ended(137, true, false), "arch", false, false},
      {"crashed inside the launcher", ended(134, false, true), "arch", false, false},
      {"Java wrote nothing", ended(1, false, false), "", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    machine("17");
    state().processOutcome = c.outcome;
    state().javaWrites = c.javaWrites;
    EXPECT_EQ(launchJava(), static_cast<int>(c.outcome.exitCode));
    std::vector<std::string> names;
    for (const platform::SearchMatch& entry : state().directories[CACHE]) {
      names.push_back(readable(CACHE + "/" + entry.name).substr(CACHE.size() + 1));
    }
    const std::vector<std::string> expected = c.kept ? std::vector<std::string>{"D-7.jsa"}
                                              : c.refusedLater
                                                  ? std::vector<std::string>{"D.refused"}
                                                  : std::vector<std::string>{};
    EXPECT_EQ(names, expected);
    state().processOutcome = {true, 0, 0, ""};
    launchSettings.vmParams.entries.clear();
    launchJava();
    EXPECT_EQ(lastProcess().find("-XX:") == std::string::npos, c.refusedLater) << lastProcess();
  }
}

TEST(StartupCache, RefusesATruncatedArchiveAndKeepsTheNewestTwo) {
  machine("17");
  launchJava();
  const std::string kept = CACHE + "/" + state().directories[CACHE][0].name;
  // Cut short: its size is no longer the one its name carries.
  state().files[kept] = "arch";
  launchSettings.vmParams.entries.clear();
  launchJava();
  EXPECT_NE(lastProcess().find("-XX:DumpLoadedClassList="), std::string::npos);
  // The replacement takes its place, under the same name.
  EXPECT_EQ(state().files[kept], "archive");

  // Two changes of the jar later, the first archive is gone.
  for (std::int64_t time = 1; time <= 3; ++time) {
    state().modified["/app/a.jar"] = time;
    state().modified[kept] = 0;
    state().modifiedOfNewFiles = 100 * time;
    launchSettings.vmParams.entries.clear();
    launchJava();
    for (const platform::SearchMatch& entry : state().directories[CACHE]) {
      state().modified[CACHE + "/" + entry.name] += 10;
    }
  }
  EXPECT_EQ(state().directories[CACHE].size(), 2u);
  EXPECT_EQ(state().files.count(kept), 0u);

  // What a killed start left behind goes after a week, not before.
  const std::string week = CACHE + "/0123456789abcdef.1-1.jsa.part";
  const std::string day = CACHE + "/0123456789abcdef.1-2.jsa.part";
  for (const std::string& left : {week, day}) {
    state().files[left] = "";
    state().directories[CACHE].push_back({left.substr(CACHE.size() + 1), false});
  }
  state().modified[week] = 1000000 - 8 * 24 * 3600;
  state().modified[day] = 1000000 - 24 * 3600;
  state().modified["/app/a.jar"] = 4;
  launchSettings.vmParams.entries.clear();
  // Files made now are of this time.
  state().javaWrites.clear();
  state().modifiedOfNewFiles = 1000000;
  launchJava();
  EXPECT_EQ(state().files.count(week), 0u);
  EXPECT_EQ(state().files.count(day), 1u);
}

TEST(StartupCache, AssemblesTheAheadOfTimeCacheInTheBackground) {
  machine("25");
  appendToList(launchSettings.vmParams, "-Xmx64m");
  launchJava();
  ASSERT_EQ(state().background.size(), 1u);
  EXPECT_EQ(readable(state().background[0]), JAVA + " -XX:AOTMode=create -XX:AOTConfiguration=" +
                                                 CACHE + "/D.N.aotconf.part -XX:AOTCache=" + CACHE +
                                                 "/D.N.aot.part -Xmx64m -classpath a.jar: ");

  // Where nothing of the launcher stays to watch it, the assembly writes a
  // name of its own, which a later start takes into place.
  machine("25");
  state().backgroundWatched = false;
  launchJava();
  ASSERT_EQ(state().background.size(), 1u);
  const std::string command = readable(state().background[0]);
  EXPECT_NE(command.find("-XX:AOTCache=" + CACHE + "/D.assembled "), std::string::npos) << command;
  const std::size_t at = state().background[0].find(CACHE + "/") + CACHE.size() + 1;
  const std::string digest = state().background[0].substr(at, 16);
  state().files[CACHE + "/" + digest + ".assembled"] = "cache";
  state().directories[CACHE].push_back({digest + ".assembled", false});
  launchSettings.vmParams.entries.clear();
  launchJava();
  EXPECT_EQ(lastProcess(), JAVA + " -XX:AOTCache=" + CACHE + "/" + digest +
                               "-5.aot -Xlog:cds=off -Xlog:aot=off -classpath a.jar: app.Main");
  // The recording it was made from is removed.
  for (const platform::SearchMatch& entry : state().directories[CACHE]) {
    EXPECT_EQ(entry.name.find(".aotconf"), std::string::npos) << entry.name;
  }
}

TEST(StartupCache, NamesTheCacheByEverythingThatMakesItValid) {
  const std::vector<CachedEntry> classpath = {{"/app/a.jar", {true, false, true, 10, 100, false}},
                                              {"/app/b.jar", {true, false, true, 20, 200, false}}};
  const auto digest = [&classpath](CacheKind kind, const std::string& home,
                                   const std::string& release, std::vector<CachedEntry> entries,
                                   const std::string& mainClass,
                                   const std::vector<std::string>& options) {
    return cacheDigest(kind, home, release, entries, mainClass, options);
  };
  const CacheKind dynamic = CacheKind::CLASS_ARCHIVE;
  std::vector<CachedEntry> resized = classpath;
  resized[1].facts.size = 21;
  std::vector<CachedEntry> touched = classpath;
  touched[0].facts.modified = 101;
  std::vector<CachedEntry> reordered = {classpath[1], classpath[0]};
  std::vector<CachedEntry> moved = classpath;
  moved[0].path = "/app/c.jar";
  const std::string digests[] = {
      digest(dynamic, "/jdk", "JAVA_VERSION=\"17\"", classpath, "M", {"-Xmx1g"}),
      digest(CacheKind::AHEAD_OF_TIME, "/jdk", "JAVA_VERSION=\"17\"", classpath, "M", {"-Xmx1g"}),
      digest(dynamic, "/jdk2", "JAVA_VERSION=\"17\"", classpath, "M", {"-Xmx1g"}),
      digest(dynamic, "/jdk", "JAVA_VERSION=\"17.0.1\"", classpath, "M", {"-Xmx1g"}),
      digest(dynamic, "/jdk", "JAVA_VERSION=\"17\"", resized, "M", {"-Xmx1g"}),
      digest(dynamic, "/jdk", "JAVA_VERSION=\"17\"", touched, "M", {"-Xmx1g"}),
      digest(dynamic, "/jdk", "JAVA_VERSION=\"17\"", reordered, "M", {"-Xmx1g"}),
      digest(dynamic, "/jdk", "JAVA_VERSION=\"17\"", moved, "M", {"-Xmx1g"}),
      digest(dynamic, "/jdk", "JAVA_VERSION=\"17\"", classpath, "N", {"-Xmx1g"}),
      digest(dynamic, "/jdk", "JAVA_VERSION=\"17\"", classpath, "M", {"-Xmx2g"}),
      digest(dynamic, "/jdk", "JAVA_VERSION=\"17\"", classpath, "M", {"-Xmx1g", "-Da"}),
      // Two words are not one word with a blank.
      digest(dynamic, "/jdk", "JAVA_VERSION=\"17\"", classpath, "M", {"-Xmx1g\n-Da"}),
  };
  std::set<std::string> distinct;
  for (const std::string& d : digests) {
    EXPECT_EQ(d.size(), 16u);
    distinct.insert(d);
  }
  EXPECT_EQ(distinct.size(), std::size(digests));
  EXPECT_EQ(digests[0], digest(dynamic, "/jdk", "JAVA_VERSION=\"17\"", classpath, "M", {"-Xmx1g"}));
}

TEST(StartupCache, KeepsEachUsersCachesInTheUsersOwnFolder) {
  struct Case {
    const platform::Conventions* conventions;
    std::vector<std::string> environment;
    std::string base;  // empty: none, why says so
    std::string why;
  };
  const platform::Conventions* windows = &platform::WINDOWS_CONVENTIONS;
  const platform::Conventions* posix = &platform::POSIX_CONVENTIONS;
  const Case cases[] = {
      {windows,
       {"LOCALAPPDATA=C:\\Users\\u\\AppData\\Local", "HOME=C:\\h"},
       "C:\\Users\\u\\AppData\\Local",
       ""},
      {windows, {"LOCALAPPDATA=AppData"}, "", "LOCALAPPDATA names no folder"},
      {posix, {"XDG_CACHE_HOME=/x/cache", "HOME=/home/u"}, "/x/cache", ""},
      {posix, {"XDG_CACHE_HOME=x/cache", "HOME=/home/u"}, "/home/u/.cache", ""},
      {posix, {"HOME=/home/u"}, "/home/u/.cache", ""},
      {posix, {"HOME=/"}, "", "neither XDG_CACHE_HOME nor HOME names a folder"},
      {posix, {"XDG_CACHE_HOME=/x/missing"}, "", "/x/missing is no folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.environment[0]);
    fake::reset(*c.conventions);
    state().environment = c.environment;
    for (const char* folder : {"C:\\Users\\u\\AppData\\Local", "/x/cache", "/home/u"}) {
      state().directories[folder];
    }
    std::string why;
    EXPECT_EQ(cacheFolderBase(why), c.base);
    EXPECT_EQ(why, c.why);
  }
  const std::pair<std::string, std::string> names[] = {
      {"Editor", "Editor"},     {"My Editor 2", "My Editor 2"},
      {"../../etc", "_.._etc"}, {"a/b\\c:d", "a_b_c_d"},
      {"..", "carafe"},         {"name. ", "name"},
      {"", "editor-launcher"},  {std::string(100, 'x'), std::string(64, 'x')},
  };
  for (const auto& [appName, folder] : names) {
    EXPECT_EQ(cacheFolderName(appName, "editor-launcher"), folder) << appName;
  }
}

}  // namespace
}  // namespace carafe
