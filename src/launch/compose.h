// Composes the one command text that starts Java, by the Windows
// command-line conventions.
#pragma once

#include <cstddef>
#include <string>

namespace carafe {

// javaPath, the options, "-classpath " with every entry followed by the
// classpath separator, a space, the main class and the arguments (an argument
// holding a space is enclosed in double quotes). Writes the size trace in
// debug mode. Needs javaPath and mainClass.
std::string composeCommandLine();

// The size that composeCommandLine reserves: the text's length plus at least 2.
std::size_t commandLineSize();

}  // namespace carafe
