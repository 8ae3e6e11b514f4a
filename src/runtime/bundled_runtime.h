// The application's own runtime: a runtime directory shipped beside the
// launcher (made with jlink, as desktop applications are shipped), used
// before any runtime installed on the machine wherever it is whole.
#pragma once

#include <string>

namespace carafe {

struct BundledRuntime {
  std::string home;     // absolute: the launcher's directory and the line's directory
  std::string java;     // the Java program that this build starts from it
  std::string missing;  // the file it lacks; empty where it holds a runtime
};

// What the directory of a "bundledRuntime" line (relative to the launcher's
// directory, or absolute) holds: a runtime is its Java program and a
// "release" file.
BundledRuntime examineBundledRuntime(const std::string& directory);

// Applies a "bundledRuntime" line. Where the directory holds a runtime, its
// Java command becomes the Java command, as a "javapath" line's would (the
// console program in debug mode, as for a runtime looked up). Where it does
// not, a debug trace line names what is missing, and the launcher finds a
// runtime as it would without the line.
void useBundledRuntime(const std::string& directory);

// True while the Java command is the bundled runtime's: a "javaVersion"
// line then searches nothing (a debug trace line says so).
bool bundledRuntimeServes(const std::string& javaVersion);

}  // namespace carafe
