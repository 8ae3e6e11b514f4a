#include "brand/paths.h"

namespace carafe::brand {

namespace {

std::size_t nameStart(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? 0 : separator + 1;
}

}  // namespace

std::string fileName(const std::string& path) { return path.substr(nameStart(path)); }

std::string fileStem(const std::string& path) {
  const std::string name = fileName(path);
  const std::size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string directoryOf(const std::string& path) {
  const std::size_t start = nameStart(path);
  if (start == 0) return ".";
  if (start == 1) return path.substr(0, 1);  // the root
  return path.substr(0, start - 1);
}

}  // namespace carafe::brand
