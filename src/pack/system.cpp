// What the C++ standard library does the same on every platform: testing,
// making, moving and removing directories. Paths are UTF-8, as everywhere in
// carafe-pack.
#include "pack/system.h"

#include <filesystem>
#include <system_error>

#include "brand/paths.h"
#include "pack/error.h"

namespace carafe::pack {

namespace {

namespace fs = std::filesystem;

fs::path pathOf(const std::string& text) { return fs::u8path(text); }

}  // namespace

bool isDirectory(const std::string& path) {
  std::error_code error;
  return fs::is_directory(pathOf(path), error);
}

void makeDirectory(const std::string& path) {
  std::error_code error;
  if (!fs::create_directory(pathOf(path), error)) {
    if (!error) error = std::make_error_code(std::errc::file_exists);
    throw PackError(path + ": the directory cannot be made: " + error.message());
  }
}

std::vector<std::string> makeDirectories(const std::string& path) {
  std::vector<std::string> made;
  if (isDirectory(path)) return made;
  // Made one by one, so that those made can be removed again.
  const std::string parent = brand::directoryOf(path);
  if (parent != path && !parent.empty() && !isDirectory(parent)) made = makeDirectories(parent);
  std::error_code error;
  fs::create_directory(pathOf(path), error);
  if (error) {
    for (auto it = made.rbegin(); it != made.rend(); ++it) removeEmptyDirectory(*it);
    throw PackError(path + ": the directory cannot be made: " + error.message());
  }
  made.push_back(path);
  return made;
}

void movePath(const std::string& from, const std::string& to) {
  std::error_code error;
  fs::rename(pathOf(from), pathOf(to), error);
  if (error) throw PackError(to + ": cannot be put in place: " + error.message());
}

bool removeEmptyDirectory(const std::string& path) {
  std::error_code error;
  const fs::path directory = pathOf(path);
  return fs::is_directory(directory, error) && fs::is_empty(directory, error) &&
         fs::remove(directory, error);
}

}  // namespace carafe::pack
