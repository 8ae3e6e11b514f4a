#include "platform/file_access.h"

namespace carafe::platform {

bool readWholeFile(const std::string& path, std::string& content, std::string& identity,
                   std::string& errorText) {
  const int descriptor = openReadable(path, identity, errorText);
  if (descriptor < 0) return false;
  content.clear();
  char buffer[65536];
  while (const std::size_t count = readSome(descriptor, buffer, sizeof buffer)) {
    content.append(buffer, count);
  }
  closeReadable(descriptor);
  return true;
}

}  // namespace carafe::platform
