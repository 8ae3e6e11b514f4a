// What the launcher's caches ask of a path.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/long_path.h"

namespace carafe::platform {

namespace {

// 100-nanosecond intervals between 1601 and 1970.
constexpr std::uint64_t UNIX_EPOCH_TICKS = 116444736000000000ULL;

}  // namespace

FileFacts fileFacts(const std::string& path) {
  FileFacts facts;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path.empty() || !GetFileAttributesExW(widePath(path).data(), GetFileExInfoStandard, &data)) {
    return facts;
  }
  facts.exists = true;
  facts.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.isRegular = !facts.isDirectory && (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
  facts.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
      data.ftLastWriteTime.dwLowDateTime;
  facts.modified = ticks > UNIX_EPOCH_TICKS
                       ? static_cast<std::int64_t>((ticks - UNIX_EPOCH_TICKS) / 10000000)
                       : 0;
  // The user's own folders (%LOCALAPPDATA%) keep the rights of the profile;
  // the access lists are not read here.
  facts.othersMayWrite = false;
  return facts;
}

}  // namespace carafe::platform
