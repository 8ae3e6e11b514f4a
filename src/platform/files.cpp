// The launcher's configuration files, read by descriptor through the
// platform's own file_access.cpp: the same lines on every platform.
#include "platform/file_access.h"
#include "platform/platform.h"

namespace carafe::platform {

struct File {
  int descriptor;
};

File* openFile(const std::string& path, std::string& identity, std::string& errorText,
               FileRefusal& refusal) {
  const int descriptor = openReadable(path, identity, errorText, &refusal, MAX_CONFIG_FILE_SIZE);
  return descriptor < 0 ? nullptr : new File{descriptor};
}

std::size_t readFile(File* file, char* buffer, std::size_t size) {
  return readSome(file->descriptor, buffer, size);
}

void closeFile(File* file) {
  closeReadable(file->descriptor);
  delete file;
}

}  // namespace carafe::platform
