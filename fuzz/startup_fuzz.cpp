// The start-up over arbitrary command lines: argument 0 decides the working
// directory and the configuration file's name, the other words are "-d" or
// arguments for Java.
//
// Input: one byte of options (bit 1 POSIX conventions, bit 2 the current
// directory cannot be read), then the words separated by NUL bytes,
// argument 0 first.
#include <cstdint>
#include <string>
#include <vector>

#include "core/settings.h"
#include "fake_platform.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const carafe::fuzz::Input input(data, size);
  carafe::fuzz::resetFake(input);
  carafe::fake::FakeState& state = carafe::fake::state();
  state.currentDirectoryReadable = !input.flag(2);
  carafe::fake::addRuntime("1.5", "C:\\jre");
  carafe::fake::setCurrentVersion("1.5");

  const std::vector<std::string> words = carafe::fuzz::splitOn(input.text, std::string(1, '\0'));
  // Every configuration path this run can form reads one small file.
  const char separator = carafe::platform::conventions().directorySeparator;
  const std::string& argumentZero = words[0];
  const std::string base = argumentZero.substr(argumentZero.rfind(separator) + 1);
  for (const std::string& directory : {argumentZero.substr(0, argumentZero.rfind(separator)),
                                       state.currentDirectory, std::string()}) {
    for (const std::string& name :
         {base, base.size() >= 4 ? base.substr(0, base.size() - 4) : base}) {
      state.files[directory + separator + name + ".config"] = "mainclass app.Main\n";
    }
  }

  carafe::fake::runLauncher(words);

  const carafe::LaunchSettings& settings = carafe::launchSettings;
  const std::string suffix = ".config";
  if (settings.configPath.size() < suffix.size() ||
      settings.configPath.compare(settings.configPath.size() - suffix.size(), suffix.size(),
                                  suffix) != 0) {
    carafe::fuzz::fail("the configuration path does not end in .config", settings.configPath);
  }
  if (settings.launcherName.find(separator) != std::string::npos) {
    carafe::fuzz::fail("the launcher's name holds a directory", settings.launcherName);
  }
  carafe::fuzz::checkNothingLeftOpen();
  return 0;
}
