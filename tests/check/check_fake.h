// The check's machine in the tests: the fake's files and directories, and
// these besides.
#pragma once

#include <string>
#include <vector>

#include "check/machine.h"

namespace carafe::check {

// What writeOutput() wrote.
std::string& fakeOutput();

}  // namespace carafe::check
