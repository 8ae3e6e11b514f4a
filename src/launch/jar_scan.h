// Lists a directory's jar files into the jar list of the classpath.
#pragma once

#include <string>

namespace carafe {

// Appends "directory/name" to vmJars for every file (not subdirectory) of
// directory whose name ends in ".jar". Double quotes in the directory text
// group it on the command line; they are not part of the directory searched.
void scanJarDirectory(const std::string& directory);

}  // namespace carafe
