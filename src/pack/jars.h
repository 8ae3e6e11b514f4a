// What the jars of the classpath hold, read before anything is written: the
// main class in exactly one of them, no library in two versions, and the
// classes that more than one jar holds.
#pragma once

#include <string>
#include <vector>

namespace carafe::pack {

struct JarContents {
  std::string name;                  // as --input names it: "editor-2.3.jar"
  std::vector<std::string> entries;  // its zip entries: "com/example/Main.class"
};

// The jars of the classpath, in its order. Throws PackError for a main class
// that none or two of them hold, and for one library in two versions, naming
// both jars and what to do; returns warnings about other classes that more
// than one jar holds, a few of them named.
std::vector<std::string> checkJars(const std::vector<JarContents>& jars,
                                   const std::string& mainClass);

}  // namespace carafe::pack
