// What the check asks of a Linux or macOS machine.
#include "check/machine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/command_split.h"
#include "platform/posix/program_path.h"
#include "platform/posix/runtime_view.h"
#include "platform/program_lookup.h"

namespace carafe::check {

namespace {

// What exec would say of a program file: a script with "#!", or a binary the
// system knows by its first bytes.
std::string execProblem(const std::string& program) {
  struct stat status {};
  if (::stat(program.c_str(), &status) != 0) return std::strerror(errno);
  if (S_ISDIR(status.st_mode) || ::access(program.c_str(), X_OK) != 0) {
    return std::strerror(EACCES);
  }
  std::string head;
  std::uint64_t size = 0;
  readFileRange(program, 0, 4, head, size);
  static const char* const MAGIC[] = {"#!",
                                      "\x7f\x45LF",
                                      "\xfe\xed\xfa\xce",
                                      "\xfe\xed\xfa\xcf",
                                      "\xce\xfa\xed\xfe",
                                      "\xcf\xfa\xed\xfe",
                                      "\xca\xfe\xba\xbe"};
  for (const char* magic : MAGIC) {
    if (head.compare(0, std::strlen(magic), magic) == 0) return std::string();
  }
  return std::strerror(ENOEXEC);
}

}  // namespace

PathKind pathKind(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return PathKind::MISSING;
  if (S_ISDIR(status.st_mode)) return PathKind::DIRECTORY;
  return S_ISREG(status.st_mode) ? PathKind::FILE : PathKind::OTHER;
}

void restrictLibrarySearch() {}

std::string startProblem(const std::string& commandLine) {
  const std::string program = platform::programWord(commandLine);
  // Found as the launcher finds it: by its path, or a bare name on PATH only.
  const std::string file = platform::resolveProgram(program);
  return file.empty() ? std::strerror(ENOENT) : execProblem(file);
}

bool readFileRange(const std::string& path, std::uint64_t offset, std::size_t size,
                   std::string& bytes, std::uint64_t& fileSize) {
  bytes.clear();
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  struct stat status {};
  const bool readable = ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
  fileSize = readable ? static_cast<std::uint64_t>(status.st_size) : 0;
  if (readable && offset < fileSize) {
    const std::uint64_t count = fileSize - offset < size ? fileSize - offset : size;
    bytes.resize(static_cast<std::size_t>(count));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t got =
          ::pread(descriptor, &bytes[done], bytes.size() - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
  }
  ::close(descriptor);
  return readable;
}

std::string launcherArgumentZero(const std::string& path) { return platform::programPath(path); }

std::vector<std::string> launcherProgramFiles(const std::string& argumentZero) {
  return platform::linkedProgramFiles(argumentZero);
}

void writeOutput(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

RegistryPlaces runtimeRegistryPlaces() {
  RegistryPlaces places;
  places.directories = platform::runtimeRoots();
  places.pinned = std::getenv("CARAFE_JVM_PATH") != nullptr;
  std::string list;
  for (std::size_t i = 0; i < places.directories.size(); ++i) {
    list += (i == 0 ? "" : (i + 1 == places.directories.size() ? " and " : ", ")) +
            places.directories[i];
  }
  if (places.pinned) {
    places.words = "the directories of CARAFE_JVM_PATH (" +
                   (list.empty() ? std::string("none") : list) + "), which pins the search";
  } else {
    places.words = "the system's JVM directories (" + list + ") and JAVA_HOME";
  }
  return places;
}

ArgumentLimits argumentLimits() {
  ArgumentLimits limits;
  const long total = ::sysconf(_SC_ARG_MAX);
  if (total > 0) limits.total = static_cast<std::size_t>(total);
#ifdef __linux__
  // Linux takes no single argument longer than 32 pages (MAX_ARG_STRLEN).
  const long page = ::sysconf(_SC_PAGESIZE);
  if (page > 0) limits.word = static_cast<std::size_t>(page) * 32;
#endif
  return limits;
}

const platform::Conventions& nativeConventions() { return platform::POSIX_CONVENTIONS; }
const platform::Conventions& consoleConventions() { return platform::POSIX_CONVENTIONS; }

}  // namespace carafe::check
