// The parts of the POSIX build that touch the file system, over real files in
// a temporary directory: the runtime view over 20 installed runtimes, the
// search of every place a runtime may be (20 runtimes in the tool managers'
// folders of a home directory), the jar scan of a directory with 100 jars
// among 1,000 other files, and the reading of configuration files from disk.
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
#include "runtime/discovery.h"

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

void makeRuntime(const fs::path& home, const std::string& version) {
  fs::create_directories(home / "bin");
  writeText(home / "bin" / "java", "#!/bin/sh\n");
  fs::permissions(home / "bin" / "java", fs::perms::owner_all);
  writeText(home / "release", "IMPLEMENTOR=\"Example\"\nJAVA_RUNTIME_VERSION=\"" + version +
                                  "+7\"\nJAVA_VERSION=\"" + version +
                                  "\"\nOS_NAME=\"Linux\"\nMODULES=\"java.base java.logging\"\n");
}

// A home directory whose five tool managers' folders hold four runtimes each,
// with SDKMAN's "current" link to one of them.
fs::path managersHome() {
  const fs::path home = scratchDirectory() / "home";
  if (fs::exists(home)) return home;
  const char* const folders[] = {".sdkman/candidates/java", ".jdks", ".gradle/jdks",
                                 ".asdf/installs/java", ".jbang/cache/jdks"};
  const char* const families[] = {"1.8.0_4", "11.0.", "17.0.", "21.0."};
  for (int place = 0; place < 5; ++place) {
    for (int i = 0; i < 4; ++i) {
      const std::string version = families[i] + std::to_string(10 + place);
      makeRuntime(home / folders[place] / ("jdk-" + version), version);
    }
  }
  fs::create_directory_symlink(home / folders[0] / "jdk-21.0.10", home / folders[0] / "current");
  fs::create_directories(scratchDirectory() / "bin-without-java");
  return home;
}

fs::path runtimesRoot() {
  const fs::path root = scratchDirectory() / "jvm";
  if (fs::exists(root)) return root;
  fs::create_directories(root);
  const char* const families[] = {"1.8.0_4", "11.0.", "17.0.", "21.0."};
  for (int i = 0; i < 20; ++i) {
    makeRuntime(root / ("runtime-" + std::to_string(i)), families[i % 4] + std::to_string(10 + i));
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
    const carafe::RuntimeView view =
        carafe::buildRuntimeView(carafe::platform::findInstalledRuntimes(roots), "");
    keys = view.keys.size();
    benchmark::DoNotOptimize(view.keys.data());
  }
  run.counters["keys"] = static_cast<double>(keys);
}
BENCHMARK(buildView)->Name("runtime_view_20_runtimes")->Unit(benchmark::kMicrosecond);

void buildViewOnly(benchmark::State& run) {
  const std::vector<carafe::InstalledRuntime> runtimes =
      carafe::platform::findInstalledRuntimes({runtimesRoot().string()});
  for (auto _ : run) {
    const carafe::RuntimeView view = carafe::buildRuntimeView(runtimes, "");
    benchmark::DoNotOptimize(view.keys.data());
  }
}
BENCHMARK(buildViewOnly)->Name("runtime_view_20_keys_only")->Unit(benchmark::kMicrosecond);

// The whole search as the launcher runs it where the runtime registry does
// not answer: the system's places of this machine (/usr/lib/jvm, /opt, ...),
// a PATH without java and the five tool managers' folders of the home
// directory, then the keys built from what was found.
void discoverWider(benchmark::State& run) {
  const fs::path home = managersHome();
  const std::string savedPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("PATH", (scratchDirectory() / "bin-without-java").c_str(), 1);
  for (const char* name : {"CARAFE_JVM_PATH", "JAVA_HOME", "JDK_HOME"}) ::unsetenv(name);
  std::size_t found = 0;
  std::size_t keys = 0;
  for (auto _ : run) {
    carafe::forgetDiscovery();
    const carafe::Discovery& discovery = carafe::discoverRuntimes();
    found = discovery.runtimes.size();
    keys = discovery.view.keys.size();
  }
  ::setenv("PATH", savedPath.c_str(), 1);
  run.counters["runtimes"] = static_cast<double>(found);
  run.counters["keys"] = static_cast<double>(keys);
  if (found < 20) run.SkipWithError("the search found fewer than the 20 runtimes");
}
BENCHMARK(discoverWider)
    ->Name("runtime_search_wider_20_in_5_places")
    ->Unit(benchmark::kMicrosecond);

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
