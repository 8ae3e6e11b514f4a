// The entry of the Windows launchers (carafe.exe and carafe32.exe for the GUI
// subsystem, carafe-console.exe for the console): the runtime library has
// split the command line by the Microsoft rules into the argument vector.
#include "core/run.h"
#include "platform/win32/library_search.h"

// The runtime library expands no wildcards in the arguments: a "*" on the
// command line reaches Java as written.
extern "C" {
int _dowildcard = 0;
}

int main(int argc, char** argv) {
  carafe::platform::restrictLibrarySearch();
  static const char* const EMPTY[] = {"", nullptr};
  if (argc < 1 || argv == nullptr) return carafe::launcherMain(1, EMPTY);
  return carafe::launcherMain(argc, argv);
}
