#include <gtest/gtest.h>

#include "core/settings.h"
#include "fake_platform.h"

namespace carafe {
namespace {

TEST(Launcher, ComposesTheExampleCommand) {
  fake::reset();
  fake::state().files["D:\\Apps\\app.config"] = "mainclass app.Main\n";
  fake::addRuntime("1.5", "C:\\jre");
  fake::setCurrentVersion("1.5");
  EXPECT_EQ(fake::runLauncher({"D:\\Apps\\app.exe"}), 0);
  ASSERT_EQ(fake::state().processes.size(), 1u);
  EXPECT_EQ(fake::state().processes[0], "C:\\jre\\bin\\javaw.exe -classpath  app.Main");
}

}  // namespace
}  // namespace carafe
