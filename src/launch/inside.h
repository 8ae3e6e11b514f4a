// Java inside the launcher: the composed command read as the java command
// reads it, so that the runtime's virtual machine library is given the same
// application with the same meaning.
#pragma once

#include <string>

#include "platform/platform.h"

namespace carafe {

struct InsidePlan {
  bool possible = false;
  std::string reason;  // when not possible: why Java starts as a separate process
  platform::JavaInside java;
};

// Reads the composed command as the java command would: the runtime's
// library from its program, the options up to the main class (the classpath
// with its "*" entries expanded in the current directory, which is Java's),
// the main class and the arguments. Where something in it is the java
// command's own business, a separate process has to start instead, and the
// reason names it.
InsidePlan planJavaInside(const std::string& commandLine);

// True when the configuration asks for Java inside the launcher.
bool wantsJavaInside();

}  // namespace carafe
