// The jar directory scan, alone and through "addjars" lines.
#include "launch/jar_scan.h"

#include <gtest/gtest.h>

#include "config/reader.h"
#include "core/settings.h"
#include "fake_platform.h"
#include "launch/compose.h"

namespace carafe {
namespace {

using fake::Notice;
using fake::state;
using platform::NoticeStyle;
using platform::SearchMatch;

struct ScanCase {
  const char* name;
  std::string directory;  // as handed to the scan
  std::vector<SearchMatch> entries;
  std::vector<std::string> vmJars;
  std::string trace;  // in debug mode
};

TEST(ScanJarDirectory, AddsTheJarFilesInSearchOrder) {
  const ScanCase cases[] = {
      {"files in search order, subdirectories and other names skipped",
       "lib",
       {{"sub.jar", true},
        {"b.jar", false},
        {"readme.txt", false},
        {"A.JAR", false},
        {"c.jar", false}},
       {"lib/b.jar", "lib/A.JAR", "lib/c.jar"},
       "adding jar lib/b.jar\nadding jar lib/A.JAR\nadding jar lib/c.jar\n"},
      {"directory text ending in a slash",
       "lib/",
       {{"a.jar", false}},
       {"lib//a.jar"},
       "adding jar lib//a.jar\n"},
      {"no jar files", "lib", {{"a.txt", false}}, {}, "No jar files found in [lib]\n"},
      {"only a subdirectory", "lib", {{"x.jar", true}}, {}, ""},
      {"missing directory", "nowhere", {}, {}, "No jar files found in [nowhere]\n"},
  };
  for (const bool debug : {false, true}) {
    for (const ScanCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (debug ? " (debug)" : ""));
      fake::reset();
      launchSettings.debugMode = debug;
      if (!c.entries.empty()) state().directories[c.directory] = c.entries;
      scanJarDirectory(c.directory);
      EXPECT_EQ(launchSettings.vmJars.entries, c.vmJars);
      EXPECT_EQ(state().traceLines, debug ? c.trace : "");
      EXPECT_TRUE(state().notices.empty());
      EXPECT_EQ(state().searchesOpen, 0);
    }
  }
}

TEST(ScanJarDirectory, SearchesAQuotedDirectoryWithoutItsQuotesAndKeepsThemInTheEntries) {
  fake::reset();
  state().environment = {"LIBS=C:\\My Libs"};
  state().directories["C:/My Libs"] = {{"a.jar", false}, {"b.jar", false}};
  state().files["app.config"] = "addjars $LIBS\nmainclass M\n";
  ASSERT_EQ(readConfigFile("app.config"), 0);
  EXPECT_EQ(state().searchedDirectories, std::vector<std::string>{"C:/My Libs"});
  EXPECT_EQ(launchSettings.vmJars.entries,
            (std::vector<std::string>{R"("C:/My Libs"/a.jar)", R"("C:/My Libs"/b.jar)"}));
  launchSettings.javaPath = "javaw";
  EXPECT_EQ(composeCommandLine(), R"(javaw -classpath "C:/My Libs"/a.jar;"C:/My Libs"/b.jar; M)");
}

TEST(ScanJarDirectory, ScansEveryAddjarsLineInOrderAndKeepsEveryJar) {
  fake::reset();
  state().directories["lib"] = {{"a.jar", false}};
  for (int i = 0; i < 142; ++i) {
    state().directories["big"].push_back({"j" + std::to_string(100 + i) + ".jar", false});
  }
  state().files["app.config"] = "addjars lib\naddjar x.jar\naddjars lib\naddjars big\n";
  ASSERT_EQ(readConfigFile("app.config"), 0);
  const std::vector<std::string>& jars = launchSettings.vmJars.entries;
  ASSERT_EQ(jars.size(), 144u);
  EXPECT_EQ(jars[0], "lib/a.jar");
  EXPECT_EQ(jars[1], "lib/a.jar");
  EXPECT_EQ(jars[2], "big/j100.jar");
  EXPECT_EQ(jars[143], "big/j241.jar");
  EXPECT_EQ(launchSettings.vmPaths.entries, std::vector<std::string>{"x.jar"});
  EXPECT_TRUE(state().notices.empty());
  EXPECT_EQ(state().searchesOpen, 0);
}

}  // namespace
}  // namespace carafe
