// A zip file written entry by entry, the same bytes for the same entries: the
// caller gives them sorted by name, every entry has one time (from
// SOURCE_DATE_EPOCH), and modes are fixed, 0755 for directories and programs
// and 0644 for the rest, as in the release archives. An entry is deflated (by
// zlib) where that makes it smaller, else stored: jars, which are most of an
// application, are compressed already, a runtime's files are not.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brand/bytes.h"

namespace carafe::pack {

using brand::Bytes;

// The earliest time a zip entry can hold: 1980-01-01 00:00:00 UTC.
constexpr std::int64_t ZIP_EARLIEST = 315532800;

class ZipWriter {
 public:
  // epoch: seconds since 1970, in UTC; earlier than ZIP_EARLIEST counts as it.
  explicit ZipWriter(std::int64_t epoch);

  // The bytes of one entry: a directory ("Editor/lib/", with its slash) or a
  // file. Throws PackError past what a zip file without its 64-bit extension
  // holds (4 GiB, 65535 entries).
  Bytes directory(const std::string& name);
  Bytes file(const std::string& name, const Bytes& data, bool program);

  // The central directory and its end: the last bytes of the file.
  Bytes finish();

 private:
  struct Entry {
    std::string name;
    std::uint32_t crc = 0;
    std::uint32_t size = 0;
    std::uint32_t compressedSize = 0;
    std::uint16_t method = 0;
    std::uint32_t offset = 0;
    std::uint32_t attributes = 0;
  };

  Bytes entry(const std::string& name, const Bytes& data, std::uint32_t attributes);

  std::uint16_t time_ = 0;
  std::uint16_t date_ = 0;
  std::uint64_t written_ = 0;
  std::vector<Entry> entries_;
};

// CRC-32 as zip files use it.
std::uint32_t crc32(const Bytes& data);

}  // namespace carafe::pack
