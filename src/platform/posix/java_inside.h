// What the POSIX launcher's entry needs to know of Java run inside it.
#pragma once

namespace carafe::platform {

// Where the virtual machine run inside the launcher aborted (a crash), ends
// the process at once with the code, running none of the handlers at exit
// (the machine's own among them). Returns otherwise, for the usual end.
void endAsJavaAborted(int code);

}  // namespace carafe::platform
