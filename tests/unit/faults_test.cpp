// Bad input that fuzzing and fault tests have turned up, kept as regression
// tests: each case once made the launcher lose or corrupt what the
// configuration named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/settings.h"
#include "fake_platform.h"

namespace carafe {
namespace {

using fake::state;

int runApp(const std::string& config) {
  state().files["D:\\Apps\\app.config"] = config;
  fake::addRuntime("1.5", "C:\\jre");
  fake::setCurrentVersion("1.5");
  return fake::runLauncher({"D:\\Apps\\app.exe"});
}

// A NUL byte ends a line's text: what stands after it on that line is not
// used, and the started command never holds a NUL (a process takes its
// command as a NUL-terminated text, which would lose everything after it).
TEST(Faults, NulByteEndsTheLinesText) {
  fake::reset();
  const std::string config = std::string("mainclass app.Main\0junk\n", 24) +
                             std::string("argument a\0b\n", 13) +
                             std::string("vmparam -Dx=1\0\nvmparam\0 -Dy=2\n", 30) +
                             std::string("\0mainclass other.Main\n", 22) + "argument c\n";
  EXPECT_EQ(runApp(config), 0);
  ASSERT_EQ(state().processes.size(), 1u);
  EXPECT_EQ(state().processes[0], "C:\\jre\\bin\\javaw.exe -Dx=1 -classpath \"\" app.Main a c ");
  EXPECT_TRUE(state().notices.empty());
}

}  // namespace
}  // namespace carafe
