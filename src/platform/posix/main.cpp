// The entry of the POSIX build.
#include <string>
#include <vector>

#include "core/run.h"
#include "platform/posix/java_host.h"
#include "platform/posix/java_inside.h"
#include "platform/posix/program_path.h"

int main(int argc, char** argv) {
  carafe::platform::keepStartForHost(argc, argv);
  const std::string program =
      carafe::platform::programPath(argc > 0 && argv[0] != nullptr ? argv[0] : "");
  std::vector<const char*> words{program.c_str()};
  for (int i = 1; i < argc; ++i) words.push_back(argv[i] != nullptr ? argv[i] : "");
  words.push_back(nullptr);
  const int code = carafe::launcherMain(static_cast<int>(words.size() - 1), words.data());
  carafe::platform::endAsJavaAborted(code);
  return code;
}
