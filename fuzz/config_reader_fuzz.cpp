// The whole launcher over arbitrary configuration files: the reader, the
// expansion of its values, "include" nesting, jar directories, the
// required-version lookup and the launch.
//
// Input: one byte of options (bit 0 debug mode, bit 1 POSIX conventions,
// bit 2 answer Yes to questions, bit 3 a chain of files, bit 6 no runtime
// registered), then up to four files separated by lines "@@@": the
// application's configuration file, b.config, c.config and d.config. Each
// file can be included by its bare name or by its full path. The chain is
// n0.config to n39.config, each the text of b.config with "@N" replaced by
// the number of the next one, so that includes can nest deeper than the
// launcher allows.
#include <cstdint>
#include <string>
#include <vector>

#include "core/settings.h"
#include "fake_platform.h"
#include "fuzz_support.h"

namespace {

using carafe::fuzz::Input;

const char* const INCLUDED_NAMES[] = {"b.config", "c.config", "d.config"};

void addFile(const std::string& directory, char separator, const std::string& name,
             const std::string& content) {
  carafe::fake::FakeState& state = carafe::fake::state();
  const std::string fullPath = directory + separator + name;
  state.files[fullPath] = content;
  state.files[name] = content;
  state.identities[name] = fullPath;  // both names reach one file
}

void setUpMachine() {
  carafe::fake::FakeState& state = carafe::fake::state();
  state.environment = {"JAVA_HOME=C:\\Program Files\\Java\\jre1.5",
                       "TOOLS=D:\\tools\\",
                       "JDK=C:\\jdk",
                       "EMPTY=",
                       "INC=c.config",
                       "LIB=lib",
                       "SPACED=a b\\"};
  state.directories["lib"] = {
      {"a.jar", false}, {"b.JAR", false}, {"sub.jar", true}, {"readme.txt", false}};
  std::vector<carafe::platform::SearchMatch> many;
  for (int i = 0; i < 120; ++i) many.push_back({"m" + std::to_string(i) + ".jar", false});
  state.directories["many"] = many;
  carafe::fake::addRuntime("1.4.2_08", "C:\\j2re1.4.2_08");
  carafe::fake::addRuntime("1.5.0_06", "C:\\Program Files\\Java\\jre1.5.0_06");
  carafe::fake::addRuntime("1.5.0_10", "C:\\jre1.5.0_10\\");
  carafe::fake::addRuntime("1.5", "C:\\jre1.5.0_10");
  carafe::fake::addRuntime("17", "/usr/lib/jvm/17");
  carafe::fake::setCurrentVersion("1.5");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Input input(data, size);
  carafe::fuzz::resetFake(input);
  setUpMachine();

  const bool posix = input.flag(1);
  const std::string directory = posix ? "/apps" : "D:\\Apps";
  const char separator = posix ? '/' : '\\';
  const std::vector<std::string> files = carafe::fuzz::splitOn(input.text, "@@@\n");
  addFile(directory, separator, "app.config", files[0]);
  for (std::size_t i = 1; i < files.size() && i <= 3; ++i) {
    addFile(directory, separator, INCLUDED_NAMES[i - 1], files[i]);
  }
  if (input.flag(3) && files.size() > 1) {
    for (int i = 0; i < 40; ++i) {
      std::string text = files[1];
      const std::string next = std::to_string(i + 1);
      for (std::size_t at = text.find("@N"); at != std::string::npos; at = text.find("@N", at)) {
        text.replace(at, 2, next);
        at += next.size();
      }
      addFile(directory, separator, "n" + std::to_string(i) + ".config", text);
    }
  }
  if (input.flag(6)) carafe::fake::state().registry.clear();
  if (input.flag(2)) carafe::fake::state().answers.assign(8, carafe::platform::ANSWER_YES);

  std::vector<std::string> words = {directory + separator + (posix ? "app" : "app.exe")};
  if (input.flag(0)) words.push_back("-d");
  carafe::fake::runLauncher(words);

  carafe::fuzz::checkNothingLeftOpen();
  // Processes are started from NUL-terminated texts: a NUL byte inside the
  // command would silently cut it short.
  for (const std::string& command : carafe::fake::state().processes) {
    if (command.find('\0') != std::string::npos) carafe::fuzz::fail("a NUL byte in the command");
  }
  return 0;
}
