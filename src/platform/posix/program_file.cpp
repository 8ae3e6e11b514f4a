// The launcher's own program file: where the links that argument 0 names
// lead, then the running executable as the system names it.
#include <unistd.h>

#include <vector>

#include "platform/platform.h"
#include "platform/posix/java_host.h"
#include "platform/posix/program_path.h"

namespace carafe::platform {

namespace {

std::string hostedLauncherFile;

}  // namespace

void setHostedLauncher(const std::string& programFile) { hostedLauncherFile = programFile; }

const std::string& hostedLauncher() { return hostedLauncherFile; }

std::vector<std::string> programFiles(const std::string& argumentZero) {
  std::vector<std::string> files = linkedProgramFiles(argumentZero);
  // The host runs for the launcher beside it, whose file the system named.
  if (!hostedLauncherFile.empty()) {
    addProgramFile(files, hostedLauncherFile);
    return files;
  }
  // Linux names the running executable here; elsewhere the links tell.
  std::vector<char> buffer(4096);
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length > 0 && static_cast<std::size_t>(length) < buffer.size()) {
    addProgramFile(files, std::string(buffer.data(), static_cast<std::size_t>(length)));
  }
  return files;
}

}  // namespace carafe::platform
