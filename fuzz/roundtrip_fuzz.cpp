// A property of composition and splitting together: the launcher's own
// arguments, composed into a command by the Windows rules and split again by
// the same rules, come back unchanged, double quotes and backslashes included.
//
// It holds for the arguments that the composition's quoting is decided for:
// arguments which are not empty, and which hold a space whenever they hold a
// tab. (An empty argument adds only its separator, and a tab alone does not
// cause quoting, so those do not come back.)
//
// Input: one byte of options (bit 1 POSIX conventions), then the arguments
// separated by NUL bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "core/settings.h"
#include "fake_platform.h"
#include "fuzz_support.h"
#include "launch/compose.h"
#include "platform/command_split.h"

namespace {

bool decided(const std::string& argument) {
  if (argument.empty()) return false;
  return argument.find('\t') == std::string::npos || argument.find(' ') != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const carafe::fuzz::Input input(data, size);
  carafe::fuzz::resetFake(input);
  carafe::LaunchSettings& settings = carafe::launchSettings;
  settings.javaPath = "java";
  settings.mainClass = "app.Main";
  settings.vmPaths.entries = {"lib/a.jar"};

  std::vector<std::string> arguments;
  if (!input.text.empty()) {
    for (const std::string& part : carafe::fuzz::splitOn(input.text, std::string(1, '\0'))) {
      if (decided(part)) arguments.push_back(part);
    }
  }
  settings.arguments.entries = arguments;
  settings.commandLineArguments = static_cast<int>(arguments.size());

  const std::string command = carafe::composeCommandLine();
  const std::vector<std::string> words = carafe::platform::splitCommandLine(command);
  const std::string classpath =
      std::string("lib/a.jar") + carafe::platform::conventions().classpathSeparator;
  std::vector<std::string> expected = {"java", "-classpath", classpath, "app.Main"};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  if (words != expected) {
    std::string detail = command + "\n";
    for (const std::string& word : words) detail += "[" + word + "]";
    carafe::fuzz::fail("the arguments did not come back", detail);
  }
  return 0;
}
