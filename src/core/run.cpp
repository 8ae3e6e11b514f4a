#include "core/run.h"

#include <new>
#include <stdexcept>

#include "config/reader.h"
#include "core/exit_codes.h"
#include "core/notice.h"
#include "core/settings.h"
#include "core/startup.h"
#include "launch/launch.h"

namespace carafe {

namespace {

void traceList(const char* format, const TextList& list) {
  int index = 0;
  for (const std::string& entry : list.entries) {
    traceDebug(formatText(format, index++, entry.c_str()));
  }
}

}  // namespace

int locateAppConfig(const std::string& programPath, const std::string& directory) {
  LaunchSettings& settings = launchSettings;
  try {
    settings.configPath = appConfigPath(programPath, directory);
  } catch (const std::bad_alloc&) {
    trace("no Application config file\n");
    showPlain("Error", "No Application config file");
    return 1;
  }
  traceDebug(formatText("reading app config %s\n", settings.configPath.c_str()));
  showDebug("Reading App Config file", "[" + settings.configPath + "]");
  return readConfigFile(settings.configPath);
}

namespace {

int run(int argumentCount, const char* const* argumentVector) {
  LaunchSettings& settings = launchSettings;
  startUp(argumentCount, argumentVector);
  const char* argumentZero = argumentVector[0] != nullptr ? argumentVector[0] : "";

  if (locateAppConfig(settings.programPath, settings.workingDir) != 0) {
    showDebug("LpCmdLine", argumentZeroDisplay(argumentZero));
    return EXIT_NOT_LAUNCHED;
  }

  if (settings.debugMode) {
    showPlain("MainClass is", settings.mainClass.value_or(std::string()));
    traceList("vmparam %d=%s\n", settings.vmParams);
    traceList("vmpath %d=%s\n", settings.vmPaths);
    traceList("vmjars %d=%s\n", settings.vmJars);
  }
  return launchJava();
}

}  // namespace

int launcherMain(int argumentCount, const char* const* argumentVector) {
  // Input that asks for more memory than there is (a value that grows beyond
  // every bound) ends the launcher with a notice, not an abort.
  try {
    return run(argumentCount, argumentVector);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  showError("Error", "The launcher ran out of memory.\nClose other programs and start it again.");
  return EXIT_NOT_LAUNCHED;
}

}  // namespace carafe
