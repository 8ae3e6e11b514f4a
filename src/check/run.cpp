#include "check/run.h"

#include "check/capture.h"
#include "check/machine.h"
#include "core/run.h"
#include "platform/platform.h"

namespace carafe::check {

namespace {

struct ProgramKind {
  unsigned subsystem = 0;  // 3 for the console, 2 for the GUI
  unsigned machine = 0;    // 0x14C for 32-bit x86, 0x8664 for x64
};

// What kind of Windows program a file is; zeros when it is none or cannot
// be read.
ProgramKind programKindOf(const std::string& path) {
  std::string header;
  std::uint64_t size = 0;
  if (!readFileRange(path, 0, 4096, header, size) || header.size() < 0x40 ||
      header.compare(0, 2, "MZ") != 0) {
    return ProgramKind();
  }
  const auto word = [&header](std::size_t at, std::size_t width) {
    unsigned long value = 0;
    for (std::size_t i = width; i > 0; --i) {
      value = (value << 8) | static_cast<unsigned char>(header[at + i - 1]);
    }
    return value;
  };
  const unsigned long pe = word(0x3C, 4);
  // The subsystem stands 68 bytes into the optional header, for PE32 and PE32+.
  if (header.size() < 24 + 70 || pe > header.size() - 24 - 70 ||
      header.compare(pe, 4, std::string("PE\0\0", 4)) != 0) {
    return ProgramKind();
  }
  return {static_cast<unsigned>(word(pe + 24 + 68, 2)), static_cast<unsigned>(word(pe + 4, 2))};
}

}  // namespace

CheckedRun runChecked(const std::string& launcherPath, const std::vector<std::string>& arguments) {
  CheckedRun run;
  run.conventions = &nativeConventions();
  run.build = run.conventions == &platform::POSIX_CONVENTIONS ? "carafe" : "carafe.exe";
  if (&consoleConventions() != run.conventions) {
    const ProgramKind kind = programKindOf(launcherPath);
    if (kind.subsystem == 3) {
      run.conventions = &consoleConventions();
      run.build = "carafe-console.exe";
    } else if (kind.machine == 0x14C) {
      run.build = "carafe32.exe";
      run.otherRegistryView = true;
    }
  }
  run.words.push_back(launcherArgumentZero(launcherPath));
  run.words.insert(run.words.end(), arguments.begin(), arguments.end());

  resetLaunchSettings();
  useConventions(*run.conventions);
  useLauncherMachine(run.conventions == &platform::POSIX_CONVENTIONS ? 0
                     : run.build == "carafe32.exe"                   ? 0x14C
                                                                     : 0x8664);
  platform::currentDirectory(run.startDirectory);
  std::vector<const char*> vector;
  for (const std::string& word : run.words) vector.push_back(word.c_str());
  vector.push_back(nullptr);
  observer().begin();
  try {
    run.exitCode = launcherMain(static_cast<int>(run.words.size()), vector.data());
  } catch (const LauncherExit& exit) {
    run.exitCode = exit.code;
  }
  run.observation = observer().end();
  run.settings = launchSettings;
  platform::currentDirectory(run.directory);
  return run;
}

}  // namespace carafe::check
