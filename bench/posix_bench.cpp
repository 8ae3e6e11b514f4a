// The parts of the POSIX build that touch the file system, over real files in
// a temporary directory: the runtime view over 20 installed runtimes, the jar
// scan of a directory with 100 jars among 1,000 other files, and the reading
// of configuration files from disk.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/reader.h"
#include "configuration_text.h"
#include "core/settings.h"
#include "launch/jar_scan.h"
#include "platform/posix/runtime_view.h"

namespace {

namespace fs = std::filesystem;

// A temporary directory for the files, removed when the program ends.
const fs::path& scratchDirectory() {
  static const struct Scratch {
    fs::path path;
    Scratch() {
      char pattern[] = "/tmp/carafe-bench-XXXXXX";
      if (::mkdtemp(pattern) == nullptr) std::abort();
      path = pattern;
    }
    ~Scratch() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  } scratch;
  return scratch.path;
}

void writeText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

fs::path runtimesRoot() {
  const fs::path root = scratchDirectory() / "jvm";
  if (fs::exists(root)) return root;
  fs::create_directories(root);
  const char* const families[] = {"1.8.0_4", "11.0.", "17.0.", "21.0."};
  for (int i = 0; i < 20; ++i) {
    const std::string version = families[i % 4] + std::to_string(10 + i);
    const fs::path home = root / ("runtime-" + std::to_string(i));
    fs::create_directories(home / "bin");
    writeText(home / "bin" / "java", "#!/bin/sh\n");
    fs::permissions(home / "bin" / "java", fs::perms::owner_all);
    writeText(home / "release", "IMPLEMENTOR=\"Example\"\nJAVA_RUNTIME_VERSION=\"" + version +
                                    "+7\"\nJAVA_VERSION=\"" + version +
                                    "\"\nOS_NAME=\"Linux\"\nMODULES=\"java.base java.logging\"\n");
  }
  // Links and directories that are no runtime, as package managers leave them.
  fs::create_directory_symlink(root / "runtime-0", root / "default-java");
  fs::create_directory_symlink(root / "runtime-5", root / "java-17");
  fs::create_directories(root / "openjfx" / "lib");
  writeText(root / ".registry", "");
  return root;
}

void buildView(benchmark::State& run) {
  const std::vector<std::string> roots = {runtimesRoot().string()};
  std::size_t keys = 0;
  for (auto _ : run) {
    const carafe::platform::RuntimeView view =
        carafe::platform::buildRuntimeView(carafe::platform::findInstalledRuntimes(roots), "");
    keys = view.keys.size();
    benchmark::DoNotOptimize(view.keys.data());
  }
  run.counters["keys"] = static_cast<double>(keys);
}
BENCHMARK(buildView)->Name("runtime_view_20_runtimes")->Unit(benchmark::kMicrosecond);

void buildViewOnly(benchmark::State& run) {
  const std::vector<carafe::platform::InstalledRuntime> runtimes =
      carafe::platform::findInstalledRuntimes({runtimesRoot().string()});
  for (auto _ : run) {
    const carafe::platform::RuntimeView view = carafe::platform::buildRuntimeView(runtimes, "");
    benchmark::DoNotOptimize(view.keys.data());
  }
}
BENCHMARK(buildViewOnly)->Name("runtime_view_20_keys_only")->Unit(benchmark::kMicrosecond);

void scanJars(benchmark::State& run) {
  const fs::path lib = scratchDirectory() / "lib";
  fs::create_directories(lib);
  const char* const kinds[] = {".txt", ".jar.sha1", ".xml", ".properties", ".so"};
  for (int i = 0; i < 1000; ++i)
    writeText(lib / ("resource-" + std::to_string(i) + kinds[i % 5]), "");
  for (int i = 0; i < 100; ++i) writeText(lib / ("library-" + std::to_string(i) + ".jar"), "");
  for (auto _ : run) {
    run.PauseTiming();
    carafe::resetLaunchSettings();
    run.ResumeTiming();
    carafe::scanJarDirectory(lib.string());
  }
  if (carafe::launchSettings.vmJars.entries.size() != 100)
    run.SkipWithError("the scan did not find 100 jars");
}
BENCHMARK(scanJars)->Name("jar_scan_posix_100_of_1100")->Unit(benchmark::kMicrosecond);

void readConfiguration(benchmark::State& run) {
  const int lines = static_cast<int>(run.range(0));
  const fs::path path = scratchDirectory() / ("app-" + std::to_string(lines) + ".config");
  const std::string text = bench::configuration(lines);
  writeText(path, text);
  ::setenv("APP_HOME", (scratchDirectory().string() + "/").c_str(), 1);
  ::setenv("JAVA_HOME", "/opt/java/jdk 17", 1);
  ::setenv("TOOLS", "/opt/tools", 1);
  // The notices about full lists go to standard error once per reading.
  std::fflush(stderr);
  const int savedError = ::dup(STDERR_FILENO);
  const int discard = ::open("/dev/null", O_WRONLY);
  ::dup2(discard, STDERR_FILENO);
  for (auto _ : run) {
    run.PauseTiming();
    carafe::resetLaunchSettings();
    run.ResumeTiming();
    benchmark::DoNotOptimize(carafe::readConfigFile(path.string()));
  }
  ::dup2(savedError, STDERR_FILENO);
  ::close(savedError);
  ::close(discard);
  run.SetComplexityN(lines);
  run.SetItemsProcessed(run.iterations() * lines);
  run.SetBytesProcessed(run.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(readConfiguration)
    ->Name("config_read_posix")
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
