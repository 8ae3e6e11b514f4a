// carafe-check over arbitrary configuration files and arguments: every run
// gives a report and one of the check's exit codes, never a crash, and leaves
// nothing open.
//
// Input: one byte of options (bit 0 "-d" among the arguments, bit 1 POSIX
// conventions, bit 2 a default runtime and its program, bit 3 the quiet
// report), then parts separated by bytes 0x01: the application's
// configuration, the file "more.config" (for include lines), a file "a.jar"
// (read as a zip file when the classpath names it), and the arguments.
#include <cstdint>
#include <string>
#include <vector>

#include "check/report.h"
#include "check/run.h"
#include "fake_platform.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const carafe::fuzz::Input input(data, size);
  carafe::fuzz::resetFake(input);
  carafe::fake::FakeState& state = carafe::fake::state();
  const bool posix = input.flag(1);
  const std::string directory = posix ? "/work/app" : "D:\\Apps";
  const std::string launcher = directory + (posix ? "/app" : "\\app.exe");
  const std::string home = posix ? "/jre" : "C:\\jre";
  if (input.flag(2)) {
    carafe::fake::addRuntime("1.5", home);
    carafe::fake::addRuntime("1.5.0_06", home);
    carafe::fake::setCurrentVersion("1.5");
    state.files[home + (posix ? "/bin/java" : "\\bin\\javaw.exe")] = "MZ";
  }
  state.directories["lib"] = {{"a.jar", false}, {"sub.jar", true}};
  state.environment = {"HOME=C:\\me", "SPACE=C:\\Program Files\\x"};

  std::vector<std::string> parts = carafe::fuzz::splitOn(input.text, std::string(1, '\x01'));
  parts.resize(std::max<std::size_t>(parts.size(), 3));
  state.files[directory + (posix ? "/app.config" : "\\app.config")] = parts[0];
  state.files["more.config"] = parts[1];
  state.files["a.jar"] = parts[2];
  state.files["lib/a.jar"] = parts[2];
  std::vector<std::string> arguments(parts.begin() + 3, parts.end());
  if (arguments.size() > 200) arguments.resize(200);
  if (input.flag(0)) arguments.push_back("-d");

  const carafe::check::CheckedRun run = carafe::check::runChecked(launcher, arguments);
  const carafe::check::Report report = carafe::check::writeReport(run, input.flag(3));
  if (report.exitCode < carafe::check::CHECK_CLEAN ||
      report.exitCode > carafe::check::CHECK_NO_START) {
    carafe::fuzz::fail("an exit code outside the check's own", std::to_string(report.exitCode));
  }
  if (!input.flag(3) && report.text.find("\nResult\n") == std::string::npos) {
    carafe::fuzz::fail("a report without its result", report.text);
  }
  carafe::fuzz::checkNothingLeftOpen();
  return 0;
}
