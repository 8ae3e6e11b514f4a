#include "brand/system_posix.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "brand/paths.h"
#include "pack/error.h"
#include "pack/system.h"
#include "platform/file_access.h"
#include "platform/platform.h"

extern char** environ;

namespace carafe::pack {

namespace {

using brand::Descriptor;
using brand::reason;

void listInto(const std::string& root, const std::string& relative,
              std::vector<std::string>& files) {
  const std::string directory = relative.empty() ? root : root + "/" + relative;
  DIR* stream = ::opendir(directory.c_str());
  if (stream == nullptr) throw PackError(directory + ": cannot be listed: " + reason(errno));
  std::vector<std::string> names;
  errno = 0;
  while (const dirent* entry = ::readdir(stream)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  const int error = errno;
  ::closedir(stream);
  if (error != 0) throw PackError(directory + ": cannot be listed: " + reason(error));
  for (const std::string& name : names) {
    const std::string path = directory + "/" + name;
    const std::string below = relative.empty() ? name : relative + "/" + name;
    struct stat own {};
    struct stat target {};
    if (::lstat(path.c_str(), &own) != 0 || ::stat(path.c_str(), &target) != 0) {
      throw PackError(path + ": cannot be read: " + reason(errno));
    }
    if (S_ISDIR(target.st_mode)) {
      if (S_ISLNK(own.st_mode)) {
        throw PackError(path +
                        ": is a link to a directory, which carafe-pack does not follow; "
                        "copy the directory there instead");
      }
      listInto(root, below, files);
    } else if (S_ISREG(target.st_mode)) {
      files.push_back(below);
    } else {
      throw PackError(path + ": is neither a file nor a directory");
    }
  }
}

void setTimeOf(int directory, const char* path, std::int64_t time, const std::string& shown) {
  struct timespec times[2] = {};
  times[0].tv_sec = static_cast<time_t>(time);
  times[1].tv_sec = static_cast<time_t>(time);
  if (::utimensat(directory, path, times, 0) != 0) {
    throw PackError(shown + ": its time cannot be set: " + reason(errno));
  }
}

}  // namespace

void restrictLibrarySearch() {}

std::vector<std::string> listFiles(const std::string& directory) {
  std::vector<std::string> files;
  listInto(directory, std::string(), files);
  return files;
}

std::string realPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return std::string();
  std::string result = resolved;
  ::free(resolved);
  return result;
}

std::string programDirectory(const std::string& argumentZero) {
  // Linux names the running executable here; elsewhere argument 0 tells.
  std::string program = platform::resolvedPath("/proc/self/exe");
  if (program.empty()) program = realPath(argumentZero);
  if (program.empty()) program = argumentZero;
  return brand::directoryOf(program);
}

std::string makeTemporaryDirectory(const std::string& parent, const std::string& prefix) {
  std::string path = parent + "/" + prefix + "XXXXXX";
  if (::mkdtemp(&path[0]) == nullptr) {
    throw PackError(parent + ": no directory can be made in it: " + reason(errno));
  }
  return path;
}

void writeNewFile(const std::string& path, const Bytes& data, std::int64_t time, bool secret) {
  Descriptor file(
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, secret ? 0600 : 0666));
  if (file.get() < 0) throw PackError(path + ": cannot be written: " + reason(errno));
  std::size_t written = 0;
  while (written < data.size()) {
    const ssize_t count = ::write(file.get(), data.data() + written, data.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) throw PackError(path + ": cannot be written: " + reason(errno));
    written += static_cast<std::size_t>(count);
  }
  if (!file.close()) throw PackError(path + ": cannot be written: " + reason(errno));
  setTimeOf(AT_FDCWD, path.c_str(), time, path);
}

void setTime(const std::string& path, std::int64_t time) {
  setTimeOf(AT_FDCWD, path.c_str(), time, path);
}

void removeTree(const std::string& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return;
  if (S_ISDIR(status.st_mode)) {
    if (DIR* stream = ::opendir(path.c_str())) {
      std::vector<std::string> names;
      while (const dirent* entry = ::readdir(stream)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
      }
      ::closedir(stream);
      for (const std::string& name : names) removeTree(path + "/" + name);
    }
    ::rmdir(path.c_str());
  } else {
    ::unlink(path.c_str());
  }
}

std::string findProgram(const std::string& name) {
  std::string path;
  if (!platform::environmentValue("PATH", path)) return std::string();
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t colon = path.find(':', start);
    const std::string directory =
        path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    start = colon == std::string::npos ? path.size() + 1 : colon + 1;
    if (directory.empty() || directory[0] != '/') continue;
    const std::string candidate = directory + "/" + name;
    struct stat status {};
    if (::stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return std::string();
}

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& directory, const std::string& outputFile) {
  // posix_spawn has no portable way to start a program in another
  // directory; carafe-pack runs one thing at a time, so it changes there
  // around the start.
  std::vector<std::string> words = {program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(&word[0]);
  argv.push_back(nullptr);

  const int output = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (output < 0) throw PackError(outputFile + ": cannot be written: " + reason(errno));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, output, 1);
  posix_spawn_file_actions_adddup2(&actions, output, 2);

  char* here = ::getcwd(nullptr, 0);
  pid_t child = 0;
  int error = ::chdir(directory.c_str()) == 0 ? 0 : errno;
  if (error == 0) {
    error = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  }
  if (here != nullptr) {
    if (::chdir(here) != 0) error = error != 0 ? error : errno;
    ::free(here);
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(output);
  if (error != 0) throw PackError(program + ": cannot be started: " + reason(error));

  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) throw PackError(program + ": cannot be waited for: " + reason(errno));
  }
  ProgramRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::string identity;
  std::string errorText;
  platform::readWholeFile(outputFile, run.output, identity, errorText);
  return run;
}

}  // namespace carafe::pack
