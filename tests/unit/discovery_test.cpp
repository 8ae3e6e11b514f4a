// Where the runtime registry does not answer, the lookups search every runtime
// on the machine; where it answers, nothing else is read.
#include "runtime/discovery.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/settings.h"
#include "fake_platform.h"
#include "runtime/default_lookup.h"
#include "runtime/required_lookup.h"

namespace carafe {
namespace {

using fake::state;
using platform::RegistryRoot;

const char* const TEMURIN = "C:\\Program Files\\Eclipse Adoptium\\jdk-21.0.5.11-hotspot";

void registerHome(RegistryRoot root, const std::string& base, const std::string& name,
                  const std::string& valueName, const std::string& home) {
  fake::registryKeyAt(root, base).subkeys.push_back(name);
  fake::registryKeyAt(root, base + "\\" + name).values[valueName] = home;
}

struct MachineCase {
  const char* name;
  std::function<void()> machine;
  const char* javaVersion;  // nullptr: the default runtime
  std::optional<std::string> javaPath;
  std::string chosenVersion;  // javaVersion afterwards
  int exitCode;               // 0: the lookup returned
  std::string notice;         // caption of the last notice; empty: none
  std::size_t runtimes;       // runtimes found beyond the runtime registry
};

TEST(RuntimeDiscovery, SearchesTheMachineOnlyWhereTheRuntimeRegistryDoesNotAnswer) {
  const auto classic = [] {
    fake::addRuntime("1.8", "C:\\jre8");
    fake::addRuntime("1.8.0_452", "C:\\jre8");
    fake::setCurrentVersion("1.8");
    fake::addJava("C:\\jre8", "");
  };
  const auto temurinFolder = [] {
    state().environment.push_back("ProgramFiles=C:\\Program Files");
    fake::addJava(TEMURIN, "21.0.5");
  };
  const auto java8Folder = [] {
    state().environment.push_back("ProgramFiles=C:\\Program Files");
    fake::addJava("C:\\Program Files\\Java\\jre1.8.0_452", "1.8.0_452");
    fake::addJava("C:\\Program Files\\Java\\jdk-17", "17.0.15");
  };
  const std::string temurinJava = std::string("\"") + TEMURIN + "\\bin\\javaw.exe\"";
  const MachineCase cases[] = {
      {"the classic key answers alone",
       [&] {
         classic();
         temurinFolder();
       },
       nullptr, "C:\\jre8\\bin\\javaw.exe", "", 0, "", 0},
      {"a patch level through the classic key",
       [&] {
         classic();
         temurinFolder();
       },
       "1.8.0_60+", "C:\\jre8\\bin\\javaw.exe", "1.8.0_452", 0, "", 0},
      {"a stale classic key beside a Temurin folder",
       [&] {
         fake::addRuntime("1.8", "C:\\gone");
         fake::setCurrentVersion("1.8");
         temurinFolder();
       },
       nullptr, temurinJava, "", 0, "", 1},
      {"only an Oracle JDK key",
       [] {
         registerHome(RegistryRoot::MACHINE_64, "SOFTWARE\\JavaSoft\\JDK", "17.0.2", "javahome",
                      "C:\\jdk17");
         fake::addJava("C:\\jdk17", "");
       },
       "17", "C:\\jdk17\\bin\\javaw.exe", "17", 0, "", 1},
      {"only a Temurin MSI key, per user, 32-bit view",
       [] {
         const std::string base = "SOFTWARE\\Eclipse Adoptium\\JDK";
         fake::registryKeyAt(RegistryRoot::USER_32, base).subkeys = {"21.0.5.11"};
         fake::registryKeyAt(RegistryRoot::USER_32, base + "\\21.0.5.11").subkeys = {"hotspot"};
         registerHome(RegistryRoot::USER_32, base + "\\21.0.5.11\\hotspot", "MSI", "path",
                      std::string(TEMURIN) + "\\");
         fake::addJava(TEMURIN, "21.0.5");
       },
       "21", temurinJava, "21", 0, "", 1},
      {"only JAVA_HOME, set to its bin folder",
       [] {
         state().environment.push_back("JAVA_HOME=D:\\tools\\jdk\\bin\\");
         fake::addJava("D:\\tools\\jdk", "11.0.2");
       },
       nullptr, "D:\\tools\\jdk\\bin\\javaw.exe", "", 0, "", 1},
      {"a key, JAVA_HOME and PATH reaching one folder",
       [] {
         registerHome(RegistryRoot::MACHINE_64, "SOFTWARE\\JavaSoft\\JDK", "17", "javahome",
                      "C:\\jdk17");
         state().environment.push_back("JAVA_HOME=C:\\jdk17");
         state().environment.push_back("PATH=C:\\Windows;C:\\jdk17\\bin");
         state().files["C:\\jdk17\\bin\\java.exe"] = "";
         fake::addJava("C:\\jdk17", "17.0.15");
       },
       "17.0.15", "C:\\jdk17\\bin\\javaw.exe", "17.0.15", 0, "", 1},
      {"Oracle's javapath copies are no runtime",
       [] {
         const std::string copies = "C:\\ProgramData\\Oracle\\Java\\javapath";
         state().environment.push_back("PATH=" + copies);
         state().files[copies + "\\java.exe"] = "";
         state().files[copies + "\\javaw.exe"] = "";
       },
       nullptr, std::nullopt, "", 0, "Error!", 0},
      {"1.8.0_60+ over a folder", java8Folder, "1.8.0_60+",
       "\"C:\\Program Files\\Java\\jre1.8.0_452\\bin\\javaw.exe\"", "1.8.0_452", 0, "", 2},
      {"1.8 over a folder", java8Folder, "1.8",
       "\"C:\\Program Files\\Java\\jre1.8.0_452\\bin\\javaw.exe\"", "1.8.0_452", 0, "", 2},
      {"17 over a folder", java8Folder, "17", "\"C:\\Program Files\\Java\\jdk-17\\bin\\javaw.exe\"",
       "17", 0, "", 2},
      {"17+ over a Temurin folder only", temurinFolder, "17+", temurinJava, "21.0.5", 0, "", 1},
      {"1.8+: the classic key answers alone, though a folder holds a higher one",
       [&] {
         classic();
         temurinFolder();
       },
       "1.8+", "C:\\jre8\\bin\\javaw.exe", "1.8.0_452", 0, "", 0},
      {"25+ above every runtime in the classic key and a folder",
       [&] {
         classic();
         temurinFolder();
       },
       "25+", std::nullopt, "25+", 11, "Incompatible JRE Version Found", 1},
      {"21+ above the runtimes of a folder, no classic key", java8Folder, "21+", std::nullopt,
       "21+", 11, "Incompatible JRE Version Found", 2},
      {"nothing anywhere: 17+", [] {}, "17+", std::nullopt, "17+", 11,
       "Java Runtime Environment Not Found", 0},
      {"nothing anywhere: 1.5.0_06", [] {}, "1.5.0_06", std::nullopt, "1.5.0_06", 0,
       "Java Runtime Environment Not Found", 0},
      {"nothing anywhere: 1.5.0", [] {}, "1.5.0", std::nullopt, "1.5.0", 11,
       "Java Runtime Environment Not Found", 0},
      {"a version found nowhere", java8Folder, "1.5.0_06+", std::nullopt, "1.5.0_06+", 11,
       "Java Runtime Environment Not Found", 2},
  };
  for (const MachineCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake::reset();
    c.machine();
    std::optional<std::string> javaPath;
    int exitCode = 0;
    try {
      if (c.javaVersion == nullptr) {
        javaPath = findDefaultJava();
      } else {
        launchSettings.javaVersion = c.javaVersion;
        javaPath = findRequiredJava();
      }
    } catch (const fake::FakeExit& exit) {
      exitCode = exit.code;
    }
    EXPECT_EQ(javaPath, c.javaPath);
    EXPECT_EQ(exitCode, c.exitCode);
    if (c.javaVersion != nullptr) {
      EXPECT_EQ(launchSettings.javaVersion, c.chosenVersion);
    }
    EXPECT_EQ(state().notices.empty() ? "" : state().notices.back().caption, c.notice);
    EXPECT_EQ(state().keysOpen, 0);
    if (c.runtimes == 0 && c.notice.empty()) {
      // Where the classic key answers, nothing beyond it is read.
      EXPECT_FALSE(runtimesDiscovered());
      EXPECT_EQ(state().widerRegistryOpens, 0);
    } else {
      EXPECT_EQ(discoverRuntimes().runtimes.size(), c.runtimes);
    }
  }
}

TEST(RuntimeDiscovery, FindsTheToolManagersRuntimesOnPosixUnlessCarafeJvmPathPinsTheSearch) {
  for (const bool pinned : {false, true}) {
    SCOPED_TRACE(pinned ? "pinned" : "not pinned");
    fake::reset(platform::POSIX_CONVENTIONS);
    state().environment = {"HOME=/home/me", "PATH=/usr/bin:/bin"};
    if (pinned) state().environment.push_back("CARAFE_JVM_PATH=/nowhere");
    const std::string sdkman = "/home/me/.sdkman/candidates/java/21.0.2-tem";
    fake::addJava(sdkman, "21.0.2");
    fake::addJava("/home/me/.jdks/corretto-17", "17.0.9");
    state().files["/usr/bin/java"] = "";
    state().links["/usr/bin/java"] = "/home/me/.jdks/corretto-17/bin/java";
    launchSettings.debugMode = true;
    EXPECT_EQ(
        findDefaultJava(),
        pinned ? std::nullopt : std::optional<std::string>("/home/me/.jdks/corretto-17/bin/java"));
    const std::string traced = state().traceLines;
    EXPECT_EQ(traced.find("found runtime 21.0.2 at " + sdkman + " (SDKMAN)") != std::string::npos,
              !pinned);
    EXPECT_EQ(discoverRuntimes().runtimes.size(), pinned ? 0u : 2u);
  }
}

}  // namespace
}  // namespace carafe
