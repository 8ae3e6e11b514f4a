// A command longer than a process can be started with: the java command of
// Java 9 and later reads its options from a file named on its command line
// ("java @file"), so that the options and the classpath go there.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace carafe {

// The text of an argument file that gives the java command these words: each
// on a line of its own in double quotes, with a backslash, a double quote and
// a line break written as the file's escapes (\\, \", \n, \r).
std::string argumentFileText(const std::vector<std::string>& words);

// One word of a command text, quoted where it needs it so that the Windows
// rules of splitting give it back unchanged.
std::string commandWord(const std::string& word);

// Starts the composed command as a separate process with its virtual machine
// options and classpath in an argument file, written for the run and removed
// once Java has ended. False when that cannot be done (the runtime is older
// than Java 9 or of an unknown version, the file cannot be written, or the
// command is still too long); why says so, and nothing was started.
bool startWithArgumentFile(const std::string& commandLine, platform::ProcessOutcome& outcome,
                           std::string& why);

}  // namespace carafe
