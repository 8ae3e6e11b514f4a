// The entry of the host program that runs Java inside a statically linked
// launcher: started by the launcher in its place, with the launcher's
// argument 0, the launcher's program file and then the launcher's arguments.
// It goes through the launcher's start again, quietly, and runs Java inside
// itself where the launcher would have.
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/run.h"
#include "platform/platform.h"
#include "platform/posix/java_host.h"
#include "platform/posix/java_inside.h"
#include "platform/posix/program_path.h"

namespace {

std::string directoryOf(const std::string& path) {
  const std::size_t cut = path.rfind('/');
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace

int main(int argc, char** argv) {
  namespace platform = carafe::platform;
  // Only the launcher beside the host is hosted: the host decides nothing
  // that the launcher's own file does not.
  const std::string launcher = argc > 1 && argv[1] != nullptr ? argv[1] : "";
  const std::string host = platform::resolvedPath("/proc/self/exe");
  const std::string real = launcher.empty() ? launcher : platform::resolvedPath(launcher);
  if (real.empty() || host.empty() || directoryOf(real) != directoryOf(host) || real == host) {
    std::fprintf(stderr,
                 "%s runs Java for the launcher beside it, which starts it: start the "
                 "application's launcher instead.\n",
                 platform::JAVA_HOST_NAME);
    return 2;
  }
  platform::setHostedLauncher(launcher);
  // The process's name, as ps and top show it: the application's.
  const std::string name = launcher.substr(launcher.rfind('/') + 1);
  ::prctl(PR_SET_NAME, name.c_str(), 0, 0, 0);
  platform::holdNotices();

  const std::string program = platform::programPath(argv[0] != nullptr ? argv[0] : "");
  std::vector<const char*> words{program.c_str()};
  for (int i = 2; i < argc; ++i) words.push_back(argv[i] != nullptr ? argv[i] : "");
  words.push_back(nullptr);
  const int code = carafe::launcherMain(static_cast<int>(words.size() - 1), words.data());
  platform::endAsJavaAborted(code);
  platform::showHeldNotices();
  return code;
}
