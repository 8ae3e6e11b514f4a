// The view of the installed runtimes that stands in for the runtime registry.
#include "platform/posix/runtime_view.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "runtime/versions.h"

namespace carafe::platform {
namespace {

namespace fs = std::filesystem;

// ---- versionFamily and versionLess --------------------------------------

struct FamilyCase {
  std::string version;
  std::string family;
};

class VersionFamily : public testing::TestWithParam<FamilyCase> {};

TEST_P(VersionFamily, TakesTheFirstNumberOrOneDotAndTheNext) {
  EXPECT_EQ(versionFamily(GetParam().version), GetParam().family) << GetParam().version;
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionFamily,
                         testing::Values(FamilyCase{"1.8.0_452", "1.8"},
                                         FamilyCase{"1.5.0_06", "1.5"},
                                         FamilyCase{"1.10.1", "1.10"}, FamilyCase{"1.8", "1.8"},
                                         FamilyCase{"17.0.15", "17"}, FamilyCase{"17", "17"},
                                         FamilyCase{"21-ea", "21"}, FamilyCase{"11.0.2+9", "11"},
                                         FamilyCase{"1", "1"}, FamilyCase{"10.0.1", "10"},
                                         FamilyCase{"100.1", "100"}));

struct OrderCase {
  std::string lower;
  std::string higher;
};

class VersionOrder : public testing::TestWithParam<OrderCase> {};

TEST_P(VersionOrder, ComparesNumbersByValue) {
  const OrderCase& item = GetParam();
  EXPECT_TRUE(versionLess(item.lower, item.higher)) << item.lower << " < " << item.higher;
  EXPECT_FALSE(versionLess(item.higher, item.lower)) << item.higher << " < " << item.lower;
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, VersionOrder,
    testing::Values(OrderCase{"1.8.0_452", "1.8.0_462"}, OrderCase{"1.8.0_462", "11.0.2"},
                    OrderCase{"11.0.2", "17"}, OrderCase{"17", "17.0.1"}, OrderCase{"9", "10"},
                    OrderCase{"17.0.9", "17.0.10"}, OrderCase{"1.8.0_99", "1.8.0_100"},
                    OrderCase{"1.4.2_08", "1.5.0"},
                    // Numbers longer than any integer type still compare by value.
                    OrderCase{"1.99999999999999999999999", "1.100000000000000000000000"},
                    OrderCase{"17.0.1", "17.0.1.1"}));

TEST(VersionOrder, EqualVersionsAreNotLess) {
  for (const char* version : {"17.0.15", "1.8.0_452", "", "1.8.0_05"}) {
    EXPECT_FALSE(versionLess(version, version)) << version;
  }
  // Leading zeros do not change a number's value.
  EXPECT_FALSE(versionLess("1.8.0_05", "1.8.0_5"));
  EXPECT_FALSE(versionLess("1.8.0_5", "1.8.0_05"));
}

// ---- buildRuntimeView -----------------------------------------------------

using Keys = std::vector<std::pair<std::string, std::string>>;  // name, home

Keys keysOf(const RuntimeView& view) {
  Keys keys;
  for (const RuntimeKey& key : view.keys) keys.emplace_back(key.name, key.home);
  return keys;
}

const std::vector<InstalledRuntime> SEVERAL = {
    {"/jvm/a", "17.0.2"}, {"/jvm/b", "1.8.0_452"}, {"/jvm/c", "17.0.15"},
    {"/jvm/d", "11.0.2"}, {"/jvm/e", "1.8.0_462"},
};

TEST(BuildRuntimeView, NothingInstalledGivesNoKeysAndNoCurrentVersion) {
  const RuntimeView view = buildRuntimeView({}, "/jvm/a");
  EXPECT_TRUE(view.keys.empty());
  EXPECT_EQ(view.currentVersion, "");
}

TEST(BuildRuntimeView, OneKeyPerRuntimeAndPerFamilySortedByName) {
  const RuntimeView view = buildRuntimeView(SEVERAL, "");
  const Keys expected = {
      {"1.8", "/jvm/e"},        // the family's highest patch level
      {"1.8.0_452", "/jvm/b"},  //
      {"1.8.0_462", "/jvm/e"},  //
      {"11", "/jvm/d"},         //
      {"11.0.2", "/jvm/d"},     //
      {"17", "/jvm/c"},         // 17.0.15 is above 17.0.2
      {"17.0.15", "/jvm/c"},    //
      {"17.0.2", "/jvm/a"},
  };
  EXPECT_EQ(keysOf(view), expected);
}

struct CurrentCase {
  const char* name;
  std::vector<InstalledRuntime> runtimes;
  std::string defaultHome;
  std::string currentVersion;
};

void PrintTo(const CurrentCase& item, std::ostream* out) { *out << item.name; }

class CurrentVersion : public testing::TestWithParam<CurrentCase> {};

TEST_P(CurrentVersion, NamesTheDefaultRuntimesFamily) {
  const CurrentCase& item = GetParam();
  EXPECT_EQ(buildRuntimeView(item.runtimes, item.defaultHome).currentVersion, item.currentVersion);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CurrentVersion,
    testing::Values(CurrentCase{"NoDefaultTakesTheHighest", SEVERAL, "", "17"},
                    CurrentCase{"DefaultHomeTakesItsFamily", SEVERAL, "/jvm/b", "1.8"},
                    CurrentCase{"DefaultHomeOfAnotherFamily", SEVERAL, "/jvm/d", "11"},
                    CurrentCase{"UnknownDefaultHomeTakesTheHighest", SEVERAL, "/elsewhere", "17"},
                    CurrentCase{"HighestIsNotTheLastGiven",
                                {{"/a", "11.0.2"}, {"/b", "21.0.1"}, {"/c", "9"}},
                                "",
                                "21"},
                    CurrentCase{
                        "OnlyOldRuntimes", {{"/a", "1.5.0_06"}, {"/b", "1.4.2_08"}}, "", "1.5"}));

TEST(BuildRuntimeView, ARuntimesOwnKeyWinsOverAFamilyKeyOfTheSameName) {
  const RuntimeView view = buildRuntimeView({{"/jvm/x", "17"}, {"/jvm/y", "17.0.15"}}, "");
  const Keys expected = {{"17", "/jvm/x"}, {"17.0.15", "/jvm/y"}};
  EXPECT_EQ(keysOf(view), expected);
  EXPECT_EQ(view.currentVersion, "17");
}

TEST(BuildRuntimeView, TheFirstOfTwoRuntimesWithOneVersionKeepsTheKey) {
  const RuntimeView view = buildRuntimeView({{"/jvm/x", "11.0.2"}, {"/jvm/y", "11.0.2"}}, "");
  const Keys expected = {{"11", "/jvm/x"}, {"11.0.2", "/jvm/x"}};
  EXPECT_EQ(keysOf(view), expected);
}

// ---- Runtimes on disk -------------------------------------------------------

// A temporary directory, removed with everything in it at the end.
class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string pattern = (fs::temp_directory_path() / "carafe-view-XXXXXX").string();
    const char* made = ::mkdtemp(&pattern[0]);
    if (made == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = fs::canonical(made).string();
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void writeFile(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// A runtime home: release holds releaseText, bin/java exists (executable or not).
std::string makeRuntime(const std::string& home, const std::string& releaseText,
                        bool executable = true) {
  writeFile(home + "/release", releaseText);
  writeFile(home + "/bin/java", "#!/bin/sh\nexit 0\n");
  ::chmod((home + "/bin/java").c_str(), executable ? 0755 : 0644);
  return home;
}

std::string versionLine(const std::string& version) { return "JAVA_VERSION=\"" + version + "\"\n"; }

struct ReleaseCase {
  const char* name;
  std::string releaseText;
  std::string version;  // empty: not a runtime
};

void PrintTo(const ReleaseCase& item, std::ostream* out) { *out << item.name; }

class RuntimeVersion : public testing::TestWithParam<ReleaseCase> {};

TEST_P(RuntimeVersion, ReadsJavaVersionFromTheReleaseFile) {
  TemporaryDirectory directory;
  const std::string home = makeRuntime(directory.path() + "/jdk", GetParam().releaseText);
  EXPECT_EQ(runtimeVersion(home), GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(
    ReleaseFiles, RuntimeVersion,
    testing::Values(ReleaseCase{"Quoted", versionLine("17.0.15"), "17.0.15"},
                    ReleaseCase{"AmongOtherLines",
                                "IMPLEMENTOR=\"Someone\"\nJAVA_RUNTIME_VERSION=\"17.0.15+6\"\n" +
                                    versionLine("17.0.15") + "OS_NAME=\"Linux\"\n",
                                "17.0.15"},
                    ReleaseCase{"WindowsLineEnds",
                                "OS_NAME=\"Linux\"\r\nJAVA_VERSION=\"1.8.0_452\"\r\n", "1.8.0_452"},
                    ReleaseCase{"Unquoted", "JAVA_VERSION=11.0.2\n", "11.0.2"},
                    ReleaseCase{"NoFinalLineFeed", "JAVA_VERSION=\"21\"", "21"},
                    ReleaseCase{"LongestKeyName", versionLine("1." + std::string(252, '1')),
                                "1." + std::string(252, '1')},
                    // Texts that cannot name a key make the directory no runtime.
                    ReleaseCase{"TooLongForAKeyName", versionLine("1." + std::string(253, '1')),
                                ""},
                    ReleaseCase{"Empty", versionLine(""), ""},
                    ReleaseCase{"Backslash", versionLine("17\\0"), ""},
                    ReleaseCase{"UnclosedQuote", "JAVA_VERSION=\"17.0.15\n", ""},
                    ReleaseCase{"ControlCharacter", versionLine("17\t0"), ""},
                    ReleaseCase{"NoVersionLine", "OS_NAME=\"Linux\"\n", ""}));

TEST(RuntimeVersion, NeedsAnExecutableJavaAndAReleaseFile) {
  TemporaryDirectory directory;
  const std::string root = directory.path();
  makeRuntime(root + "/not-executable", versionLine("17"), false);
  writeFile(root + "/no-java/release", versionLine("17"));
  writeFile(root + "/no-release/bin/java", "");
  ::chmod((root + "/no-release/bin/java").c_str(), 0755);
  fs::create_directories(root + "/java-is-a-directory/bin/java");
  writeFile(root + "/java-is-a-directory/release", versionLine("17"));
  for (const char* name :
       {"not-executable", "no-java", "no-release", "java-is-a-directory", "missing"}) {
    EXPECT_EQ(runtimeVersion(root + "/" + name), "") << name;
  }
  EXPECT_EQ(runtimeVersion(""), "");
}

using Found = std::vector<std::pair<std::string, std::string>>;  // home, version

Found found(const std::vector<InstalledRuntime>& runtimes) {
  Found result;
  for (const InstalledRuntime& runtime : runtimes)
    result.emplace_back(runtime.home, runtime.version);
  return result;
}

TEST(FindInstalledRuntimes, ListsTheRuntimesBelowEachRootOnceSortedByName) {
  TemporaryDirectory directory;
  const std::string root = directory.path() + "/jvm";
  makeRuntime(root + "/zulu-17", versionLine("17.0.15"));
  makeRuntime(root + "/java-8", versionLine("1.8.0_452"));
  makeRuntime(root + "/java-11", versionLine("11.0.2"));
  makeRuntime(root + "/broken", versionLine("17\\1"));       // no usable version
  makeRuntime(root + "/no-exec", versionLine("21"), false);  // java not executable
  fs::create_directories(root + "/empty");
  writeFile(root + "/plain-file", "");
  makeRuntime(root + "/Bundle.jdk/Contents/Home", versionLine("21.0.1"));
  fs::create_directory_symlink(root + "/zulu-17", root + "/default-java");  // counted once
  fs::create_directory_symlink(root + "/nowhere", root + "/dangling");

  // Sorted by the names in the root: zulu-17 is first reached as
  // default-java, and named by its real path.
  const Found expected = {
      {root + "/Bundle.jdk/Contents/Home", "21.0.1"},
      {root + "/zulu-17", "17.0.15"},
      {root + "/java-11", "11.0.2"},
      {root + "/java-8", "1.8.0_452"},
  };
  EXPECT_EQ(found(findInstalledRuntimes({root})), expected);
}

TEST(FindInstalledRuntimes, TakesRootsInOrderEachRuntimeOnce) {
  TemporaryDirectory directory;
  const std::string first = directory.path() + "/first";
  const std::string second = directory.path() + "/second";
  makeRuntime(first + "/b", versionLine("11.0.2"));
  makeRuntime(second + "/a", versionLine("17.0.15"));
  fs::create_directory_symlink(first + "/b", second + "/link-to-b");
  const std::string single = makeRuntime(directory.path() + "/single", versionLine("1.8.0_462"));

  const Found expected = {
      {first + "/b", "11.0.2"},
      {second + "/a", "17.0.15"},
      {single, "1.8.0_462"},  // a root that is a runtime itself
  };
  EXPECT_EQ(found(findInstalledRuntimes(
                {first, directory.path() + "/missing", second, first, single, single + "/"})),
            expected);
  EXPECT_TRUE(findInstalledRuntimes({}).empty());
}

// ---- loadRuntimeView: the environment decides ------------------------------

// Sets environment variables for one test and puts them back afterwards.
class ScopedEnvironment {
 public:
  void set(const char* name, const std::optional<std::string>& value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
    apply(name, value);
  }
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) apply(it->first, it->second);
  }

 private:
  static void apply(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
      ::setenv(name.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class LoadRuntimeView : public testing::Test {
 protected:
  void SetUp() override {
    root = directory.path() + "/jvm";
    java17 = makeRuntime(root + "/jdk-17", versionLine("17.0.15"));
    java11 = makeRuntime(root + "/jdk-11", versionLine("11.0.2"));
    java8 = makeRuntime(root + "/jdk-8", versionLine("1.8.0_452"));
    outside = makeRuntime(directory.path() + "/outside/jdk-21", versionLine("21.0.1"));
    bin = directory.path() + "/bin";
    fs::create_directories(bin);
    environment.set("CARAFE_JVM_PATH", root);
    environment.set("JAVA_HOME", std::nullopt);
    environment.set("PATH", bin);
  }

  // Puts a "java" on PATH that links to the java of home.
  void javaOnPath(const std::string& home) {
    fs::create_symlink(home + "/bin/java", bin + "/java");
  }

  TemporaryDirectory directory;
  ScopedEnvironment environment;
  std::string root, java17, java11, java8, outside, bin;
};

TEST_F(LoadRuntimeView, WithoutADefaultTheHighestIsCurrent) {
  const RuntimeView view = loadRuntimeView();
  EXPECT_EQ(view.currentVersion, "17");
  EXPECT_EQ(view.keys.size(), 6u);
}

TEST_F(LoadRuntimeView, JavaHomeDecidesTheCurrentVersion) {
  // Reached through a link, it is still the runtime found below the root.
  fs::create_directory_symlink(java11, directory.path() + "/java-home");
  environment.set("JAVA_HOME", directory.path() + "/java-home/");
  javaOnPath(java8);  // JAVA_HOME comes first
  EXPECT_EQ(loadRuntimeView().currentVersion, "11");
}

TEST_F(LoadRuntimeView, JavaHomeOutsideTheRootsJoinsTheView) {
  environment.set("JAVA_HOME", outside + "/");
  const RuntimeView view = loadRuntimeView();
  EXPECT_EQ(view.currentVersion, "21");
  const Keys keys = keysOf(view);
  EXPECT_NE(std::find(keys.begin(), keys.end(), std::make_pair(std::string("21.0.1"), outside)),
            keys.end());
}

TEST_F(LoadRuntimeView, JavaHomeThatIsNoRuntimeLeavesTheChoiceToPath) {
  environment.set("JAVA_HOME", directory.path() + "/nothing-here");
  javaOnPath(java8);
  EXPECT_EQ(loadRuntimeView().currentVersion, "1.8");
}

TEST_F(LoadRuntimeView, JavaOnPathDecidesWithoutJavaHome) {
  javaOnPath(java11);
  EXPECT_EQ(loadRuntimeView().currentVersion, "11");
}

TEST_F(LoadRuntimeView, JavaOnPathOutsideTheViewLeavesTheHighest) {
  javaOnPath(outside);
  const RuntimeView view = loadRuntimeView();
  EXPECT_EQ(view.currentVersion, "17");
  EXPECT_EQ(view.keys.size(), 6u);
}

TEST_F(LoadRuntimeView, EmptyJvmPathFindsNothing) {
  environment.set("CARAFE_JVM_PATH", "");
  const RuntimeView view = loadRuntimeView();
  EXPECT_TRUE(view.keys.empty());
  EXPECT_EQ(view.currentVersion, "");
}

TEST_F(LoadRuntimeView, SeveralRootsSeparatedByColons) {
  environment.set("CARAFE_JVM_PATH", "::" + directory.path() + "/outside:" + root + ":");
  EXPECT_EQ(keysOf(loadRuntimeView()).size(), 8u);
}

}  // namespace
}  // namespace carafe::platform
