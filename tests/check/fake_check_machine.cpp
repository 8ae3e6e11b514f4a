// The check's machine over the fake's in-memory files and directories, for
// the check's tests and fuzz target.
#include "check_fake.h"
#include "fake_platform.h"
#include "platform/command_split.h"

namespace carafe::check {

std::string& fakeOutput() {
  static std::string output;
  return output;
}

PathKind pathKind(const std::string& path) {
  const fake::FakeState& state = fake::state();
  if (state.files.count(path) != 0) return PathKind::FILE;
  if (state.directories.count(path) != 0) return PathKind::DIRECTORY;
  return PathKind::MISSING;
}

std::string startProblem(const std::string& commandLine) {
  const std::vector<std::string> words = platform::splitCommandLine(commandLine);
  if (!words.empty() && fake::state().files.count(words[0]) != 0) return std::string();
  return "No such file or directory";
}

bool readFileRange(const std::string& path, std::uint64_t offset, std::size_t size,
                   std::string& bytes, std::uint64_t& fileSize) {
  const auto found = fake::state().files.find(path);
  if (found == fake::state().files.end()) return false;
  fileSize = found->second.size();
  bytes = offset < fileSize ? found->second.substr(static_cast<std::size_t>(offset), size) : "";
  return true;
}

std::string launcherArgumentZero(const std::string& path) { return path; }

std::vector<std::string> launcherProgramFiles(const std::string&) {
  return fake::state().programFiles;
}

void writeOutput(const std::string& text) { fakeOutput() += text; }

RegistryPlaces runtimeRegistryPlaces() {
  RegistryPlaces places;
  if (fake::state().conventions == &platform::POSIX_CONVENTIONS) {
    places.words = "the system's JVM directories (/usr/lib/jvm) and JAVA_HOME";
    places.directories = {"/usr/lib/jvm"};
  } else {
    places.words = "the runtime registry (HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment)";
  }
  return places;
}

ArgumentLimits argumentLimits() {
  ArgumentLimits limits;
  if (fake::state().conventions == &platform::POSIX_CONVENTIONS) limits = {131072, 2097152};
  return limits;
}

const platform::Conventions& nativeConventions() { return *fake::state().conventions; }

const platform::Conventions& consoleConventions() {
  return fake::state().conventions == &platform::WINDOWS_CONVENTIONS
             ? platform::WINDOWS_CONSOLE_CONVENTIONS
             : *fake::state().conventions;
}

}  // namespace carafe::check
