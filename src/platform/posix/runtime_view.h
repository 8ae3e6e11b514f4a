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

// The directories whose runtimes the view holds: CARAFE_JVM_PATH's
// (":"-separated) where it is set, else the system's JVM directories.
std::vector<std::string> runtimeRoots();

// The view of this machine: the runtimes below runtimeRoots(), JAVA_HOME's,
// and the java on PATH as the default.
RuntimeView loadRuntimeView();

}  // namespace carafe::platform
