// The runtimes in the places the POSIX runtime registry has always shown:
// CARAFE_JVM_PATH, or the system's JVM directories, and JAVA_HOME.
#pragma once

#include <string>
#include <vector>

#include "runtime/runtime_view.h"

namespace carafe::platform {

// The JAVA_VERSION of the runtime at home, or empty when home is no runtime.
std::string runtimeVersion(const std::string& home);

// The runtimes directly below each root (and each root that is one itself),
// each counted once however it is reached.
std::vector<InstalledRuntime> findInstalledRuntimes(const std::vector<std::string>& roots);

// The view of this machine: CARAFE_JVM_PATH (":"-separated roots) or the usual
// places, JAVA_HOME, and the java on PATH as the default.
RuntimeView loadRuntimeView();

}  // namespace carafe::platform
