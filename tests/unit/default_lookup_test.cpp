// The default runtime lookup and the Java command built from a runtime home.
#include "runtime/default_lookup.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/settings.h"
#include "fake_platform.h"

namespace carafe {
namespace {

using fake::Notice;
using fake::state;
using platform::NoticeStyle;

const std::string BASE_KEY = "SOFTWARE\\JavaSoft\\Java Runtime Environment";

struct FailureCase {
  const char* name;
  std::function<void()> registry;
  Notice debugNotice;
  std::string text;  // of the "Error!" notice
};

TEST(FindDefaultJava, ReportsEachFailureInOneOrTwoNotices) {
  const FailureCase cases[] = {
      {"no base key",
       [] {},
       {"Error Accessing Registry!", BASE_KEY, NoticeStyle::ERROR},
       "No Java Installation Found"},
      {"no CurrentVersion",
       [] { fake::addRuntime("1.5", "C:\\jre"); },
       {"Error Reading Registry", "Java Current Version Key", NoticeStyle::ERROR},
       "No Java Installation Found"},
      {"CurrentVersion of 255 characters",
       [] {
         fake::addRuntime(std::string(255, '1'), "C:\\jre");
         fake::setCurrentVersion(std::string(255, '1'));
       },
       {"Error Reading Registry", "Java Current Version Key", NoticeStyle::ERROR},
       "No Java Installation Found"},
      {"CurrentVersion without a key",
       [] {
         fake::addRuntime("1.4", "C:\\jre");
         fake::setCurrentVersion("1.5");
       },
       {"Error Accessing Registry!", "Java Current Version", NoticeStyle::ERROR},
       "No Java Installation (No Current Version) Found"},
      {"no JavaHome",
       [] {
         fake::setCurrentVersion("1.5");
         fake::registryKey(BASE_KEY + "\\1.5");
       },
       {"Error Reading Registry!", "Java Home Directory", NoticeStyle::ERROR},
       "No Java Installation Home Directory Found"},
  };
  for (const bool debug : {false, true}) {
    for (const FailureCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (debug ? " (debug)" : ""));
      fake::reset();
      c.registry();
      launchSettings.debugMode = debug;
      EXPECT_EQ(findDefaultJava(), std::nullopt);
      std::vector<Notice> expected;
      if (debug) expected.push_back(c.debugNotice);
      expected.push_back({"Error!", c.text, NoticeStyle::ERROR});
      EXPECT_EQ(state().notices, expected);
      EXPECT_EQ(state().keysOpen, 0);
      // Nothing elsewhere either: the search itself is told in debug mode only.
      EXPECT_EQ(state().traceLines,
                debug ? "the runtime registry does not answer: searching the machine\n" : "");
    }
  }
}

TEST(FindDefaultJava, ReadsACurrentVersionOf254Characters) {
  fake::reset();
  fake::addRuntime(std::string(254, '1'), "C:\\jre");
  fake::setCurrentVersion(std::string(254, '1'));
  EXPECT_EQ(findDefaultJava(), "C:\\jre\\bin\\javaw.exe");
  EXPECT_TRUE(state().notices.empty());
  EXPECT_EQ(state().keysOpen, 0);
}

struct PathCase {
  const platform::Conventions* conventions;
  std::string home;
  bool debug;
  std::string javaPath;
};

TEST(FindDefaultJava, BuildsTheJavaCommandOfTheCurrentRuntime) {
  const auto* windows = &platform::WINDOWS_CONVENTIONS;
  const auto* posix = &platform::POSIX_CONVENTIONS;
  const auto* console = &platform::WINDOWS_CONSOLE_CONVENTIONS;
  const PathCase cases[] = {
      {console, "D:\\jre", false, "D:\\jre\\bin\\java.exe"},  // the console runtime always
      {windows, "D:\\jre", false, "D:\\jre\\bin\\javaw.exe"},
      {windows, "D:\\jre", true, "D:\\jre\\bin\\java.exe"},
      {windows, "D:\\Program Files\\jre", false, "\"D:\\Program Files\\jre\\bin\\javaw.exe\""},
      {windows, "D:\\jre\\", false, "D:\\jre\\\\bin\\javaw.exe"},
      {windows, "D:/jre\tx", false, "D:/jre\tx\\bin\\javaw.exe"},
      {posix, "/usr/lib/jvm/17", false, "/usr/lib/jvm/17/bin/java"},
      {posix, "/usr/lib/jvm/17", true, "/usr/lib/jvm/17/bin/java"},
      {posix, "/opt/my jre", false, "\"/opt/my jre/bin/java\""},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(std::string(c.conventions->name) + " " + c.home + (c.debug ? " (debug)" : ""));
    fake::reset(*c.conventions);
    fake::addRuntime("17", c.home);
    fake::setCurrentVersion("17");
    launchSettings.debugMode = c.debug;
    EXPECT_EQ(findDefaultJava(), c.javaPath);
    EXPECT_TRUE(state().notices.empty());
    EXPECT_EQ(state().keysOpen, 0);
  }
}

}  // namespace
}  // namespace carafe
