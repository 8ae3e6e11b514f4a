// The names of the signals that end programs, for telling how Java ended.
#pragma once

#include <string>

namespace carafe::platform {

// "signal SIGSEGV (Segmentation fault)": the signal's name and the system's
// description of it; "signal 42" for a signal without a name here.
std::string signalDescription(int signalNumber);

}  // namespace carafe::platform
