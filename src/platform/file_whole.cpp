#include "platform/file_access.h"

namespace carafe::platform {

bool readWholeFile(const std::string& path, std::string& content, std::string& identity,
                   std::string& errorText, FileRefusal* refusal, std::uint64_t maxSize) {
  const int descriptor = openReadable(path, identity, errorText, refusal, maxSize);
  if (descriptor < 0) return false;
  content.clear();
  char buffer[65536];
  while (const std::size_t count = readSome(descriptor, buffer, sizeof buffer)) {
    content.append(buffer, count);
    if (maxSize != 0 && content.size() > maxSize) {
      closeReadable(descriptor);
      content.clear();
      errorText = "File too large";
      if (refusal != nullptr) *refusal = FileRefusal::TOO_LARGE;
      return false;
    }
  }
  closeReadable(descriptor);
  return true;
}

}  // namespace carafe::platform
