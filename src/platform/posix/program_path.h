// The launcher's own path, as argument 0 gives it on POSIX.
#pragma once

#include <string>
#include <vector>

namespace carafe::platform {

// The launcher's path as a Windows program gets it: with its directory. A
// relative path is completed from the current directory (the start-up may
// change into the launcher's directory), and a bare name found in one of
// PATH's absolute directories gets that directory; any other bare name stays
// bare.
std::string programPath(const std::string& argumentZero);

// The program files that path leads to through links: each link's target in
// turn (its directory resolved, its own name kept, so that a chain of links
// is followed step by step), then the file itself with every link resolved.
// Empty when path is no link, and for a bare name (no "/"), which names no
// file of its own.
std::vector<std::string> linkedProgramFiles(const std::string& path);

// Appends path to files unless it is empty or there already.
void addProgramFile(std::vector<std::string>& files, const std::string& path);

}  // namespace carafe::platform
