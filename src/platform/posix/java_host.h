// Java inside the launcher where the launcher is linked statically: a
// statically linked program cannot load the runtime's library, so the
// launcher replaces itself (one process, the same id) with the host program
// installed beside it, which reads the same configuration again and runs Java
// inside itself.
#pragma once

#include <string>

namespace carafe::platform {

// The host's name, beside the launcher's program file.
constexpr const char* JAVA_HOST_NAME = "carafe-jvm";

// Keeps what the host is started with: the launcher's argument vector, its
// environment and its current directory as the launcher found them.
void keepStartForHost(int argumentCount, char** argumentVector);
// What keepStartForHost kept; false when nothing was.
bool startForHost(char**& arguments, char**& environment, int& directory);

// In the host: the launcher's program file, which the host's own file
// stands for when the launcher's path is asked for.
void setHostedLauncher(const std::string& programFile);
const std::string& hostedLauncher();

// In the host: notices and trace lines are held back until Java starts
// (the launcher showed them already), and questions are answered No.
void holdNotices();
// Java starts: what was held is dropped, and notices are shown again.
void dropHeldNotices();
// Shows what is still held (the host did not reach Java's start).
void showHeldNotices();

}  // namespace carafe::platform
