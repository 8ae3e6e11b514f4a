#include "platform/posix/program_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/platform.h"

namespace carafe::platform {

namespace {

bool isExecutableFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

// As many links as the system follows in one path.
constexpr int MAX_LINKS = 40;

bool readLink(const std::string& path, std::string& target) {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (length < 0) return false;
    if (static_cast<std::size_t>(length) < buffer.size()) {
      target.assign(buffer.data(), static_cast<std::size_t>(length));
      return !target.empty();
    }
    if (buffer.size() > (1u << 20)) return false;
    buffer.resize(buffer.size() * 2);
  }
}

std::string resolved(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return std::string();
  std::string result = real;
  std::free(real);
  return result;
}

// path with its directory's links and ".." resolved, its own name kept.
std::string withResolvedDirectory(const std::string& path) {
  const std::size_t cut = path.rfind('/');
  const std::string directory = cut == std::string::npos ? "."
                                : cut == 0               ? "/"
                                                         : path.substr(0, cut);
  const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  const std::string real = resolved(directory);
  if (real.empty()) return path;
  return (real == "/" ? std::string() : real) + "/" + name;
}

}  // namespace

std::string programPath(const std::string& argumentZero) {
  if (argumentZero.empty()) return argumentZero;
  if (argumentZero.find('/') == std::string::npos) {
    const char* path = std::getenv("PATH");
    std::string directories = path != nullptr ? path : "";
    std::size_t start = 0;
    while (start <= directories.size()) {
      std::size_t end = directories.find(':', start);
      if (end == std::string::npos) end = directories.size();
      const std::string directory = directories.substr(start, end - start);
      // An empty or relative entry is the current directory's business, which
      // never decides which launcher this is.
      const std::string candidate = directory + "/" + argumentZero;
      if (!directory.empty() && directory[0] == '/' && isExecutableFile(candidate)) {
        return programPath(candidate);
      }
      start = end + 1;
    }
    return argumentZero;
  }
  if (argumentZero[0] == '/') return argumentZero;
  std::string current;
  if (!currentDirectory(current)) return argumentZero;
  return current + "/" + argumentZero;
}

void addProgramFile(std::vector<std::string>& files, const std::string& path) {
  if (path.empty()) return;
  for (const std::string& file : files) {
    if (file == path) return;
  }
  files.push_back(path);
}

std::vector<std::string> linkedProgramFiles(const std::string& path) {
  std::vector<std::string> files;
  // A bare name is no path: read as one, the current directory would decide.
  if (path.find('/') == std::string::npos) return files;
  std::string current = path;
  std::string target;
  for (int i = 0; i < MAX_LINKS && readLink(current, target); ++i) {
    if (target[0] != '/') {
      const std::size_t cut = current.rfind('/');
      target = (cut == std::string::npos ? std::string() : current.substr(0, cut + 1)) + target;
    }
    current = withResolvedDirectory(target);
    addProgramFile(files, current);
  }
  if (!files.empty()) addProgramFile(files, resolved(path));
  return files;
}

}  // namespace carafe::platform
