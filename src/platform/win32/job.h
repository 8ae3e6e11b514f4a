// A separate Java kept with the launcher that waits for it.
#pragma once

#include <windows.h>

namespace carafe::platform {

// Puts the Java process in a job that the system ends when the launcher
// ends, however it ends (Task Manager's "End task" included). Processes that
// Java starts stay out of the job, so that an updater that restarts the
// application outlives both. Where no job can be made, or Java cannot join
// one (a launcher in a job that forbids it), Java runs as it always has.
void keepWithLauncher(HANDLE process);

}  // namespace carafe::platform
