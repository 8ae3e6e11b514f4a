#include "brand/system_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <utility>

#include "brand/paths.h"
#include "brand/system.h"

namespace carafe::brand {

namespace {

// Why a file cannot be created in directory, in words.
std::string creationFailure(int error, const std::string& directory) {
  struct stat status {};
  if (error == ENOENT && ::stat(directory.c_str(), &status) != 0) {
    return "the directory \"" + directory + "\" does not exist";
  }
  if (error == ENOTDIR) return "\"" + directory + "\" is not a directory";
  return "no file can be made in \"" + directory + "\": " + reason(error);
}

}  // namespace

void restrictLibrarySearch() {}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

Bytes readFile(const std::string& path, std::uint64_t maxSize) {
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) throw BrandError("cannot be read: " + reason(errno));
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) throw BrandError("cannot be read: " + reason(errno));
  if (S_ISDIR(status.st_mode)) throw BrandError("cannot be read: it is a directory");
  if (static_cast<std::uint64_t>(status.st_size) > maxSize) {
    throw BrandError("is larger than " + std::to_string(maxSize >> 20) +
                     " MiB; that is not what carafe-brand reads");
  }
  Bytes data;
  std::uint8_t buffer[1 << 16];
  for (;;) {
    const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) throw BrandError("cannot be read: " + reason(errno));
    if (count == 0) return data;
    data.insert(data.end(), buffer, buffer + count);
    if (data.size() > maxSize) throw BrandError("grew larger than its limit while being read");
  }
}

bool sameFile(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

void writeFileSafely(const std::string& path, const Bytes& data) {
  const std::string directory = directoryOf(path);
  std::string temporary = path + ".tmp-XXXXXX";
  Descriptor file(::mkstemp(&temporary[0]));
  if (file.get() < 0) throw BrandError("cannot be written: " + creationFailure(errno, directory));
  // mkstemp makes the file private; the result gets the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  std::string failure;
  if (::fchmod(file.get(), 0666 & ~mask) != 0) failure = reason(errno);
  std::size_t written = 0;
  while (failure.empty() && written < data.size()) {
    const ssize_t count = ::write(file.get(), data.data() + written, data.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) failure = reason(errno);
    if (count > 0) written += static_cast<std::size_t>(count);
  }
  // On disk before it takes the output's name, so that a crash cannot leave
  // a half-written exe under it.
  if (failure.empty() && ::fsync(file.get()) != 0) failure = reason(errno);
  if (::close(file.release()) != 0 && failure.empty()) failure = reason(errno);
  if (failure.empty() && ::rename(temporary.c_str(), path.c_str()) != 0) {
    failure = errno == EISDIR ? "it is a directory" : reason(errno);
  }
  if (!failure.empty()) {
    ::unlink(temporary.c_str());
    throw BrandError("cannot be written: " + failure);
  }
}

}  // namespace carafe::brand
