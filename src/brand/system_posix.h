// What the POSIX halves of carafe-brand's and carafe-pack's system access
// share: the system's words for an error, and a descriptor closed when it
// goes out of scope.
#pragma once

#include <unistd.h>

#include <cstring>
#include <string>
#include <utility>

namespace carafe::brand {

inline std::string reason(int error) { return std::strerror(error); }

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }
  // Closes it now; false when closing fails (a write that the system
  // reports only then).
  bool close() { return ::close(release()) == 0; }

 private:
  int fd_;
};

}  // namespace carafe::brand
