// Java inside the launcher: the composed command read as the java command
// reads it, so that the runtime's virtual machine library is given the same
// application with the same meaning.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

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

// The position of the main class among the words of a command, read as the
// java command reads it: the first word after the program and its options
// (and their values); words.size() when there is none.
std::size_t mainClassPosition(const std::vector<std::string>& words);

// The runtime home of a Java program in its bin directory (the directory
// above it); empty otherwise.
std::string homeOf(const std::string& program);

// The home of the runtime whose program the command starts: by the
// program's own path, else by the path its links lead to; empty where the
// program is in no runtime's bin directory.
std::string runtimeHomeOf(const std::string& program);

// True when the configuration asks for Java inside the launcher.
bool wantsJavaInside();

}  // namespace carafe
