// Command line composition and the launch over arbitrary settings.
//
// Input: one byte of options (bit 0 debug mode, bit 1 POSIX conventions,
// bit 2 the start fails, bit 3 Java ends with a non-zero code, bit 4 a
// default runtime is registered, bit 5 the Java path names a file, bit 6
// "jvm launcher", bit 7 its library cannot be loaded), one byte that repeats every list entry (1 to
// 256 times), then lines "K text": j javaPath, m mainClass, p vmParams, c vmPaths, J vmJars, a
// arguments, A arguments from the command line (with every argument before them), L a file that
// exists (a virtual machine library).
#include <cstdint>
#include <string>
#include <vector>

#include "core/exit_codes.h"
#include "core/settings.h"
#include "fake_platform.h"
#include "fuzz_support.h"
#include "launch/compose.h"
#include "launch/launch.h"
#include "platform/command_split.h"

namespace {

using carafe::fuzz::fail;

// A text that the command carries as one word as it stands: not empty, no
// blank, no double quote.
bool plain(const std::string& text) {
  return !text.empty() && text.find_first_of(" \t\"") == std::string::npos;
}

bool allPlain(const std::vector<std::string>& texts, std::size_t from = 0) {
  for (std::size_t i = from; i < texts.size(); ++i) {
    if (!plain(texts[i])) return false;
  }
  return true;
}

// Where everything that the configuration writes as command-line text is
// plain, splitting the command by the platform's rules gives back each word:
// the arguments of the command line exactly, whatever they hold, and the
// classpath with every jar found exactly.
void checkWordsComeBack(const carafe::LaunchSettings& settings, const std::string& text) {
  const std::vector<std::string>& arguments = settings.arguments.entries;
  const std::size_t fromCommandLine = static_cast<std::size_t>(settings.commandLineArguments);
  if (!plain(*settings.javaPath) || !plain(*settings.mainClass) ||
      !allPlain(settings.vmParams.entries) || !allPlain(settings.vmPaths.entries) ||
      !allPlain(arguments, fromCommandLine)) {
    return;
  }
  std::string classpath;
  const char separator = carafe::platform::conventions().classpathSeparator;
  for (const std::string& entry : settings.vmPaths.entries) classpath += entry + separator;
  for (const std::string& jar : settings.vmJars.entries) {
    if (jar.find('"') != std::string::npos) return;  // no file name holds one
    classpath += jar + separator;
  }
  std::vector<std::string> expected = {*settings.javaPath};
  expected.insert(expected.end(), settings.vmParams.entries.begin(),
                  settings.vmParams.entries.end());
  expected.push_back("-classpath");
  expected.push_back(classpath);
  expected.push_back(*settings.mainClass);
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  if (carafe::platform::splitCommandLine(text) != expected) {
    fail("splitting the command does not give back its words", text);
  }
}

void addEntry(carafe::TextList& list, const std::string& text, int repeat) {
  for (int i = 0; i < repeat; ++i) carafe::appendToList(list, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const carafe::fuzz::Input input(data, size);
  carafe::fuzz::resetFake(input);
  carafe::LaunchSettings& settings = carafe::launchSettings;
  settings.debugMode = input.flag(0);
  const int repeat = input.text.empty() ? 1 : static_cast<unsigned char>(input.text[0]) + 1;
  const std::string lines = input.text.empty() ? std::string() : input.text.substr(1);

  for (const std::string& line : carafe::fuzz::splitOn(lines, "\n")) {
    if (line.size() < 2) continue;
    const std::string text = line.substr(2);
    switch (line[0]) {
      case 'j':
        settings.javaPath = text;
        break;
      case 'm':
        settings.mainClass = text;
        break;
      case 'p':
        addEntry(settings.vmParams, text, repeat);
        break;
      case 'c':
        addEntry(settings.vmPaths, text, repeat);
        break;
      case 'J':
        addEntry(settings.vmJars, text, repeat);
        break;
      case 'a':
        addEntry(settings.arguments, text, repeat);
        break;
      case 'L':
        carafe::fake::state().files[text] = "";
        break;
      case 'A':
        addEntry(settings.arguments, text, repeat);
        settings.commandLineArguments = static_cast<int>(settings.arguments.entries.size());
        break;
      default:
        break;
    }
  }
  if (input.flag(4)) {
    carafe::fake::addRuntime("1.5", "C:\\Program Files\\jre");
    carafe::fake::setCurrentVersion("1.5");
  }
  carafe::fake::FakeState& state = carafe::fake::state();
  if (input.flag(5) && settings.javaPath) state.files[*settings.javaPath] = "";
  state.processOutcome.created = !input.flag(2);
  state.processOutcome.exitCode = input.flag(3) ? 0xC0000005u : 0;
  state.processOutcome.errorText = "The system cannot find the file specified.";
  if (input.flag(6)) settings.jvm = "launcher";
  state.insideOutcome.created = !input.flag(7);
  state.insideOutcome.errorText =
      "it is a 32-bit x86 library, and the launcher a 64-bit x64 program";

  if (settings.javaPath && settings.mainClass) {
    // The size reserved always leaves room for the text and two more bytes.
    const std::string text = carafe::composeCommandLine();
    if (carafe::commandLineSize() < text.size() + 2) fail("the size does not cover the text", text);
    // The Java path, its program part perhaps in double quotes of the
    // composition's own (all of it, or up to the ".exe" before words of its own).
    std::string unquoted = text;
    if (text.compare(0, 1, "\"") == 0 && settings.javaPath->compare(0, 1, "\"") != 0) {
      const std::size_t close = text.find('"', 1);
      if (close == std::string::npos || close - 1 > settings.javaPath->size()) {
        fail("the Java program's quotes do not close within the Java path", text);
      }
      unquoted = text.substr(1, close - 1) + text.substr(close + 1);
    }
    if (unquoted.compare(0, settings.javaPath->size(), *settings.javaPath) != 0) {
      fail("the command does not begin with the Java path", text);
    }
    checkWordsComeBack(settings, text);
  }

  const bool hadMainClass = settings.mainClass.has_value();
  const int code = carafe::launchJava();
  if (!hadMainClass && (code != carafe::EXIT_NOT_LAUNCHED || !state.processes.empty())) {
    fail("a launch without a main class started something");
  }
  // Inside the launcher, Java runs once, and only the virtual machine's
  // options reach it: the classpath as a property.
  if (state.insideOutcome.created && !state.inside.empty() && !state.processes.empty()) {
    fail("Java started twice");
  }
  for (const carafe::platform::JavaInside& java : state.inside) {
    for (const std::string& option : java.options) {
      if (option == "-classpath" || option == "-cp" || option == "-jar") {
        fail("an option of the java command reached the virtual machine", option);
      }
    }
  }
  const std::size_t limit = carafe::platform::conventions().maxCommandLineLength;
  for (const std::string& command : state.processes) {
    if (limit != 0 && command.size() > limit) fail("a command over the limit was started");
  }
  if (!state.processes.empty() && !state.processOutcome.created &&
      code != carafe::EXIT_NOT_LAUNCHED) {
    fail("a failed start did not give exit code 2");
  }
  carafe::fuzz::checkNothingLeftOpen();
  return 0;
}
