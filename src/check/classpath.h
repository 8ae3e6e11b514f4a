// What Java would find on the classpath of the composed command: each entry,
// and where the main class is.
#pragma once

#include <string>
#include <vector>

#include "check/machine.h"

namespace carafe::check {

struct ClasspathEntry {
  std::string text;  // as Java receives it; "" is the current directory
  PathKind kind = PathKind::MISSING;
  bool jar = false;               // a file read as a zip file
  std::string problem;            // a jar that cannot be read as one
  std::size_t entries = 0;        // of a jar
  std::vector<std::string> jars;  // a "dir/*" entry: the jars it stands for
};

struct Classpath {
  bool given = false;  // the command has a classpath option
  std::vector<ClasspathEntry> entries;
  std::string mainClass;  // as Java would take it from the command
  bool found = false;     // an entry holds it
  std::string foundIn;    // that entry ("" is the current directory)
  // What one application would not have twice: the main class in a later
  // entry too, a library in two versions. Each says which and what to do.
  std::vector<std::string> duplicates;
};

// The library a jar's file name names, without its version: "jabref" of
// "jabref-3.8.1.jar", "lwjgl natives-windows" of
// "lwjgl-3.3.1-natives-windows.jar"; empty for a name without a version
// (a "-" followed by a digit).
std::string libraryOf(const std::string& fileName);

// The classpath and main class of a command's words, as Java takes them:
// options up to the first word that is not one, the last classpath option
// deciding; entries split at separator.
Classpath examineClasspath(const std::vector<std::string>& words, char separator);

}  // namespace carafe::check
