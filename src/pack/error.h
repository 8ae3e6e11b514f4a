// What carafe-pack says when it stops. Every message names what is wrong
// (the option, or the file) and what to do; nothing is left in the
// destination directory.
#pragma once

#include <stdexcept>

namespace carafe::pack {

// A command line that cannot be used: a missing option or a bad value, named
// in the message ("--app-version: ..."). The program ends with 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An input that cannot be used, an output that cannot be written or a tool
// that failed. The program ends with 1.
class PackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace carafe::pack
