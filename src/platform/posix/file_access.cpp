// Opening and reading files, what a path names, and the encoding of texts.
#include "platform/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace carafe::platform {

int openReadable(const std::string& path, std::string& identity, std::string& errorText,
                 FileRefusal* refusal, std::uint64_t maxSize) {
  // Without blocking: opening a pipe would wait for a writer.
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor < 0) {
    errorText = std::strerror(errno);
    return -1;
  }
  struct stat status {};
  FileRefusal found = FileRefusal::NONE;
  int error = 0;
  if (::fstat(descriptor, &status) != 0) {
    error = errno;
  } else if (S_ISDIR(status.st_mode)) {
    error = EISDIR;
  } else if (!S_ISREG(status.st_mode)) {
    found = FileRefusal::NOT_A_FILE;
    error = ENODEV;
  } else if (maxSize != 0 && static_cast<std::uint64_t>(status.st_size) > maxSize) {
    found = FileRefusal::TOO_LARGE;
    error = EFBIG;
  }
  if (error == 0 && ::fcntl(descriptor, F_SETFL, 0) != 0) error = errno;
  if (error != 0) {
    errorText = std::strerror(error);
    if (refusal != nullptr) *refusal = found;
    ::close(descriptor);
    return -1;
  }
  identity = std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
  return descriptor;
}

std::size_t readSome(int descriptor, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t count = ::read(descriptor, buffer, size);
    if (count >= 0) return static_cast<std::size_t>(count);
    if (errno != EINTR) return 0;
  }
}

void closeReadable(int descriptor) { ::close(descriptor); }

bool isFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool sameFile(const std::string& first, const std::string& second) {
  struct stat a {};
  struct stat b {};
  return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 &&
         a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string resolvedPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return std::string();
  std::string result(resolved);
  std::free(resolved);
  return result;
}

// File names and texts are bytes here, taken as they are.
std::string legacyTextToUtf8(const std::string& text) { return text; }

}  // namespace carafe::platform
