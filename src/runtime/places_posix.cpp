// Where runtimes are on Linux and macOS: the system's JVM directories, /opt,
// the environment, the java on PATH and the tool managers' folders in the home
// directory. CARAFE_JVM_PATH pins the runtime registry's own search, and
// then nothing else is searched.
#include "platform/platform.h"
#include "runtime/discovery.h"

namespace carafe {

namespace {

std::string environment(const char* name) {
  std::string value;
  return platform::environmentValue(name, value) ? value : std::string();
}

// The home of the first java on PATH, when it is (through its links) a
// runtime's bin/java.
std::string pathJavaHome() {
  const std::string path = environment("PATH");
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    const std::string directory = path.substr(start, end - start);
    start = end + 1;
    if (directory.empty() || !platform::isFile(directory + "/java")) continue;
    const std::string java = platform::resolvedPath(directory + "/java");
    const std::string suffix = "/bin/java";
    if (java.size() > suffix.size() &&
        java.compare(java.size() - suffix.size(), suffix.size(), suffix) == 0) {
      return java.substr(0, java.size() - suffix.size());
    }
    return std::string();
  }
  return std::string();
}

}  // namespace

void findPosixRuntimes(RuntimeFinder& finder) {
  if (!environment("CARAFE_JVM_PATH").empty()) return;
  for (const char* root : {"/usr/lib/jvm", "/usr/lib64/jvm", "/opt"}) {
    finder.children(root, "", root);
  }
  finder.children("/Library/Java/JavaVirtualMachines", "/Contents/Home",
                  "/Library/Java/JavaVirtualMachines");
  // The environment, PATH and the home directory are the user's own.
  finder.perUser(true);
  for (const char* name : {"JAVA_HOME", "JDK_HOME"}) {
    const std::string home = environment(name);
    if (home.empty()) continue;
    finder.place(name);
    finder.home(home, std::string(), name, 1);
  }
  const std::string pathHome = pathJavaHome();
  if (!pathHome.empty()) {
    finder.place("PATH");
    finder.home(pathHome, std::string(), "PATH", 2);
  }
  const std::string user = environment("HOME");
  if (user.empty()) return;
  const struct {
    const char* folder;
    const char* source;
  } managers[] = {
      {"/.sdkman/candidates/java", "SDKMAN"}, {"/.jdks", "~/.jdks"},
      {"/.gradle/jdks", "~/.gradle/jdks"},    {"/.asdf/installs/java", "asdf"},
      {"/.jbang/cache/jdks", "jbang"},
  };
  for (const auto& manager : managers) finder.children(user + manager.folder, "", manager.source);
}

}  // namespace carafe
