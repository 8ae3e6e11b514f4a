// Files the launcher writes for Java to read: each in a folder of its own,
// made for the run and readable and writable by the user alone.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace carafe::platform {

namespace {

constexpr const char* FILE_NAME = "/java-options";

// The user's runtime directory where the system made one (its own, with no
// access for others), else the temporary directory of TMPDIR or /tmp, in
// which the folder made below is private all the same.
std::string privateBase() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat status {};
  if (runtime != nullptr && runtime[0] == '/' && ::stat(runtime, &status) == 0 &&
      S_ISDIR(status.st_mode) && status.st_uid == ::getuid() && (status.st_mode & 077) == 0) {
    return runtime;
  }
  const char* temporary = std::getenv("TMPDIR");
  if (temporary != nullptr && temporary[0] == '/') return temporary;
  return "/tmp";
}

bool writeAll(int descriptor, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

std::string writePrivateFile(const std::string& text, std::string& errorText) {
  std::string base = privateBase();
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  // mkdtemp makes the folder new, with mode 0700.
  std::string pattern = base + "/carafe-XXXXXX";
  std::vector<char> folder(pattern.begin(), pattern.end());
  folder.push_back('\0');
  if (::mkdtemp(folder.data()) == nullptr) {
    errorText = base + ": " + std::strerror(errno);
    return std::string();
  }
  const std::string path = std::string(folder.data()) + FILE_NAME;
  const int descriptor =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (descriptor < 0) {
    errorText = path + ": " + std::strerror(errno);
    ::rmdir(folder.data());
    return std::string();
  }
  const bool written = writeAll(descriptor, text);
  const int error = errno;
  if (::close(descriptor) != 0 || !written) {
    errorText = path + ": " + std::strerror(written ? errno : error);
    removePrivateFile(path);
    return std::string();
  }
  return path;
}

void removePrivateFile(const std::string& path) {
  ::unlink(path.c_str());
  const std::size_t cut = path.rfind('/');
  if (cut != std::string::npos && cut > 0) ::rmdir(path.substr(0, cut).c_str());
}

}  // namespace carafe::platform
