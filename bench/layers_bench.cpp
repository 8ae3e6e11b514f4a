// The launcher's layers over the fake platform: the reading of a
// configuration, value expansion, the composition of the command, the jar
// scan and the version resolution, each without the operating system's cost.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "config/expand.h"
#include "config/reader.h"
#include "configuration_text.h"
#include "core/settings.h"
#include "fake_platform.h"
#include "launch/compose.h"
#include "launch/jar_scan.h"
#include "runtime/required_lookup.h"

namespace {

using bench::configuration;

using carafe::launchSettings;
using carafe::fake::state;

const char* const CONFIG_PATH = "/srv/app/app.config";

// The environment that the "$" references of the configurations refer to.
void setEnvironment() {
  state().environment = {
      "PATH=/usr/local/bin:/usr/bin:/bin", "HOME=/home/user",  "LANG=C.UTF-8", "APP_HOME=/srv/app/",
      "JAVA_HOME=/opt/java/jdk 17",        "TOOLS=/opt/tools",
  };
}

// Empties what one run leaves in the fake and the settings.
void clearRun() {
  carafe::resetLaunchSettings();
  state().notices.clear();
  state().events.clear();
  state().traceLines.clear();
  state().standardError.clear();
  state().searchedDirectories.clear();
}

void readConfiguration(benchmark::State& run) {
  carafe::fake::reset(carafe::platform::POSIX_CONVENTIONS);
  setEnvironment();
  const int lines = static_cast<int>(run.range(0));
  state().files[CONFIG_PATH] = configuration(lines);
  for (auto _ : run) {
    run.PauseTiming();
    clearRun();
    run.ResumeTiming();
    benchmark::DoNotOptimize(carafe::readConfigFile(CONFIG_PATH));
  }
  run.SetComplexityN(lines);
  run.SetItemsProcessed(run.iterations() * lines);
  run.SetBytesProcessed(run.iterations() *
                        static_cast<std::int64_t>(state().files[CONFIG_PATH].size()));
}
BENCHMARK(readConfiguration)
    ->Name("config_read_fake")
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void expandValues(benchmark::State& run) {
  carafe::fake::reset(carafe::platform::POSIX_CONVENTIONS);
  setEnvironment();
  struct Case {
    std::string value;
    bool quoteIfSpaced;
  };
  const std::vector<Case> cases = {
      {"$JAVA_HOME\\lib\\rt.jar", true},
      {"-Dtools=$JAVA_HOME\\lib\\tools.jar", false},
      {"lib;$JAVA_HOME\\lib\\rt.jar", true},
      {"$APP_HOME\\bin", false},
      {"$TOOLS/bin/java", true},
      {"$home\\.config\\app", false},
      {"$NOT_SET\\lib", true},
      {"C:\\lib\\a.jar", true},
      {"-Xmx512m", true},
      {"com.example.app.Main", false},
  };
  for (auto _ : run) {
    for (const Case& one : cases)
      benchmark::DoNotOptimize(carafe::expandValue(one.value, one.quoteIfSpaced));
  }
  run.SetItemsProcessed(run.iterations() * static_cast<std::int64_t>(cases.size()));
}
BENCHMARK(expandValues)->Name("expand_10_values");

// A large configuration: 100 entries in each list.
constexpr int LIST_ENTRIES = 100;

void fillSettings() {
  carafe::resetLaunchSettings();
  carafe::LaunchSettings& settings = launchSettings;
  settings.javaPath = "\"/opt/java/jdk 17/bin/java\"";
  settings.mainClass = "com.example.app.Main";
  for (int i = 0; i < LIST_ENTRIES; ++i) {
    const std::string n = std::to_string(i);
    settings.vmParams.entries.push_back("-Dexample.property." + n + "=value-" + n);
    settings.vmPaths.entries.push_back("/srv/app/lib/classes-" + n);
    settings.vmJars.entries.push_back("/srv/app/lib/library-" + n + "-1.2.3.jar");
    settings.arguments.entries.push_back(i % 10 == 0 ? "an argument with spaces " + n + "\\"
                                                     : "--argument-" + n);
  }
}

void composeCommand(benchmark::State& run) {
  carafe::fake::reset(carafe::platform::POSIX_CONVENTIONS);
  fillSettings();
  std::size_t length = 0;
  for (auto _ : run) {
    const std::string command = carafe::composeCommandLine();
    length = command.size();
    benchmark::DoNotOptimize(command.data());
  }
  run.counters["chars"] = static_cast<double>(length);
}
BENCHMARK(composeCommand)->Name("compose_100_each");

void scanJars(benchmark::State& run) {
  carafe::fake::reset(carafe::platform::POSIX_CONVENTIONS);
  std::vector<carafe::platform::SearchMatch>& entries = state().directories["/srv/app/lib"];
  for (int i = 0; i < 1000; ++i) {
    const std::string n = std::to_string(i);
    const char* const kinds[] = {".txt", ".jar.sha1", ".xml", ".properties", ".so"};
    entries.push_back({"resource-" + n + kinds[i % 5], false});
  }
  for (int i = 0; i < 100; ++i) entries.push_back({"library-" + std::to_string(i) + ".jar", false});
  for (auto _ : run) {
    run.PauseTiming();
    clearRun();
    run.ResumeTiming();
    carafe::scanJarDirectory("/srv/app/lib");
  }
  if (launchSettings.vmJars.entries.size() != 100)
    run.SkipWithError("the scan did not find 100 jars");
}
BENCHMARK(scanJars)->Name("jar_scan_fake_100_of_1100");

void resolveVersion(benchmark::State& run) {
  carafe::fake::reset(carafe::platform::POSIX_CONVENTIONS);
  // 500 installed keys of several families, in the registry's order.
  for (int i = 0; i < 500; ++i) {
    const std::string n = std::to_string(i / 5);
    const char* const families[] = {"1.6.0_", "1.7.0_", "1.8.0_", "11.0.", "17.0."};
    carafe::fake::addRuntime(families[i % 5] + n, "/usr/lib/jvm/runtime-" + std::to_string(i));
  }
  for (auto _ : run) {
    run.PauseTiming();
    clearRun();
    launchSettings.javaVersion = "1.8.0_20+";
    run.ResumeTiming();
    carafe::resolveInstalledVersion();
  }
  if (launchSettings.javaVersion != std::string("1.8.0_99"))
    run.SkipWithError("wrong version chosen");
}
BENCHMARK(resolveVersion)->Name("version_resolve_500_keys")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
