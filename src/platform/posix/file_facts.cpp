// What the launcher's caches ask of a path.
#include <sys/stat.h>

#include "platform/platform.h"

namespace carafe::platform {

FileFacts fileFacts(const std::string& path) {
  FileFacts facts;
  struct stat status {};
  if (path.empty() || ::stat(path.c_str(), &status) != 0) return facts;
  facts.exists = true;
  facts.isDirectory = S_ISDIR(status.st_mode);
  facts.isRegular = S_ISREG(status.st_mode);
  facts.size = static_cast<std::uint64_t>(status.st_size);
  facts.modified = static_cast<std::int64_t>(status.st_mtime);
  // A folder that others may write but not remove from (the sticky bit of
  // /tmp) still lets them put in what they like.
  facts.othersMayWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  return facts;
}

}  // namespace carafe::platform
