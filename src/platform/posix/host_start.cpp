// What the launcher was started with, kept for the host program that runs
// Java inside a statically linked launcher.
#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "platform/posix/java_host.h"

extern char** environ;

namespace carafe::platform {

namespace {

char** startArguments = nullptr;
std::vector<char*> startEnvironment;
int startDirectory = -1;

}  // namespace

void keepStartForHost(int argumentCount, char** argumentVector) {
  if (argumentCount < 1 || argumentVector == nullptr || argumentVector[0] == nullptr) return;
  startArguments = argumentVector;
  // The environment's texts stay as they are: setting a variable replaces its
  // entry, so the entries taken here are the ones the launcher was given.
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    startEnvironment.push_back(*entry);
  }
  startEnvironment.push_back(nullptr);
  startDirectory = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

bool startForHost(char**& arguments, char**& environment, int& directory) {
  if (startArguments == nullptr || startDirectory < 0) return false;
  arguments = startArguments;
  environment = startEnvironment.data();
  directory = startDirectory;
  return true;
}

}  // namespace carafe::platform
