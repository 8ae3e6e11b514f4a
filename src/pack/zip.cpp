#include "pack/zip.h"

#include <zlib.h>

#include <algorithm>
#include <array>

#include "pack/error.h"

namespace carafe::pack {

namespace {

constexpr std::uint32_t LOCAL_HEADER = 0x04034b50;
constexpr std::uint32_t CENTRAL_HEADER = 0x02014b50;
constexpr std::uint32_t END_OF_DIRECTORY = 0x06054b50;
constexpr std::uint16_t VERSION_NEEDED = 10;    // stored entries
constexpr std::uint16_t VERSION_DEFLATED = 20;  // deflated entries
constexpr std::uint16_t STORED = 0;
constexpr std::uint16_t DEFLATED = 8;
constexpr std::uint16_t MADE_BY = (3 << 8) | 20;  // the attributes are POSIX modes
constexpr std::uint16_t UTF8_NAME = 0x0800;
constexpr std::uint32_t DIRECTORY_MODE = 0040755;
constexpr std::uint32_t PROGRAM_MODE = 0100755;
constexpr std::uint32_t FILE_MODE = 0100644;
constexpr std::uint32_t DOS_DIRECTORY = 0x10;
constexpr std::uint64_t LIMIT = 0xFFFFFFFFu;
constexpr std::size_t MAX_ENTRIES = 0xFFFF;

std::array<std::uint32_t, 256> crcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < table.size(); ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

bool isAscii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Days since 1970-01-01 to a civil date (the proleptic Gregorian calendar).
void civilDate(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
  month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

// The data deflated (raw, as zip entries hold it), or nothing when that is
// not smaller.
Bytes deflated(const Bytes& data) {
  // An entry is at most 4 GiB, which zlib's counts hold.
  if (data.size() < 2 || data.size() > LIMIT) return Bytes();
  z_stream stream{};
  // zlib's default level and memory: the same zlib gives the same bytes for
  // the same data.
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw PackError("zlib cannot start deflating (out of memory?)");
  }
  // In steps, so that no more room is taken than the deflated data needs;
  // given up as soon as it would not be smaller.
  constexpr std::size_t STEP = std::size_t{1} << 20;
  Bytes out;
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  int result = Z_OK;
  while (result == Z_OK && out.size() < data.size()) {
    const std::size_t done = out.size();
    out.resize(std::min(done + STEP, data.size() - 1));
    stream.next_out = out.data() + done;
    stream.avail_out = static_cast<uInt>(out.size() - done);
    result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    if (result == Z_BUF_ERROR || out.size() >= data.size() - 1) break;
  }
  deflateEnd(&stream);
  if (result != Z_STREAM_END) return Bytes();
  out.shrink_to_fit();
  return out;
}

}  // namespace

std::uint32_t crc32(const Bytes& data) {
  static const std::array<std::uint32_t, 256> TABLE = crcTable();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::uint8_t byte : data) crc = TABLE[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

ZipWriter::ZipWriter(std::int64_t epoch) {
  // The zip format's times go up to 2107; later ones are held at its end.
  constexpr std::int64_t ZIP_LATEST = 4354819198;  // 2107-12-31 23:59:58 UTC
  if (epoch < ZIP_EARLIEST) epoch = ZIP_EARLIEST;
  if (epoch > ZIP_LATEST) epoch = ZIP_LATEST;
  const std::int64_t days = epoch / 86400;
  const std::int64_t seconds = epoch % 86400;
  int year = 0;
  int month = 0;
  int day = 0;
  civilDate(days, year, month, day);
  date_ = static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
  time_ = static_cast<std::uint16_t>(((seconds / 3600) << 11) | (((seconds / 60) % 60) << 5) |
                                     ((seconds % 60) / 2));
}

Bytes ZipWriter::entry(const std::string& name, const Bytes& data, std::uint32_t attributes) {
  const Bytes packed = deflated(data);
  const bool deflate = !packed.empty();
  const Bytes& stored = deflate ? packed : data;
  if (entries_.size() >= MAX_ENTRIES) {
    throw PackError("a zip file holds at most 65535 entries; " + name + " is one more");
  }
  if (name.size() > 0xFFFF) throw PackError("a zip entry's name is at most 65535 bytes: " + name);
  const std::uint64_t end = written_ + 30 + name.size() + stored.size();
  if (data.size() > LIMIT || end > LIMIT) {
    throw PackError("a zip file holds at most 4 GiB; with " + name + " it would hold more");
  }
  Entry entry;
  entry.name = name;
  entry.crc = crc32(data);
  entry.size = static_cast<std::uint32_t>(data.size());
  entry.compressedSize = static_cast<std::uint32_t>(stored.size());
  entry.method = deflate ? DEFLATED : STORED;
  entry.offset = static_cast<std::uint32_t>(written_);
  entry.attributes = attributes;

  Bytes out;
  out.reserve(30 + name.size() + stored.size());
  brand::append32(out, LOCAL_HEADER);
  brand::append16(out, deflate ? VERSION_DEFLATED : VERSION_NEEDED);
  brand::append16(out, isAscii(name) ? 0 : UTF8_NAME);
  brand::append16(out, entry.method);
  brand::append16(out, time_);
  brand::append16(out, date_);
  brand::append32(out, entry.crc);
  brand::append32(out, entry.compressedSize);
  brand::append32(out, entry.size);
  brand::append16(out, static_cast<std::uint16_t>(name.size()));
  brand::append16(out, 0);
  out.insert(out.end(), name.begin(), name.end());
  out.insert(out.end(), stored.begin(), stored.end());
  written_ = end;
  entries_.push_back(std::move(entry));
  return out;
}

Bytes ZipWriter::directory(const std::string& name) {
  return entry(name, Bytes(), (DIRECTORY_MODE << 16) | DOS_DIRECTORY);
}

Bytes ZipWriter::file(const std::string& name, const Bytes& data, bool program) {
  return entry(name, data, (program ? PROGRAM_MODE : FILE_MODE) << 16);
}

Bytes ZipWriter::finish() {
  Bytes out;
  for (const Entry& entry : entries_) {
    brand::append32(out, CENTRAL_HEADER);
    brand::append16(out, MADE_BY);
    brand::append16(out, entry.method == DEFLATED ? VERSION_DEFLATED : VERSION_NEEDED);
    brand::append16(out, isAscii(entry.name) ? 0 : UTF8_NAME);
    brand::append16(out, entry.method);
    brand::append16(out, time_);
    brand::append16(out, date_);
    brand::append32(out, entry.crc);
    brand::append32(out, entry.compressedSize);
    brand::append32(out, entry.size);
    brand::append16(out, static_cast<std::uint16_t>(entry.name.size()));
    brand::append16(out, 0);  // extra field
    brand::append16(out, 0);  // comment
    brand::append16(out, 0);  // disk
    brand::append16(out, 0);  // internal attributes
    brand::append32(out, entry.attributes);
    brand::append32(out, entry.offset);
    out.insert(out.end(), entry.name.begin(), entry.name.end());
  }
  if (written_ + out.size() > LIMIT) {
    throw PackError("a zip file holds at most 4 GiB; its directory would end beyond that");
  }
  const std::uint32_t directorySize = static_cast<std::uint32_t>(out.size());
  brand::append32(out, END_OF_DIRECTORY);
  brand::append16(out, 0);
  brand::append16(out, 0);
  brand::append16(out, static_cast<std::uint16_t>(entries_.size()));
  brand::append16(out, static_cast<std::uint16_t>(entries_.size()));
  brand::append32(out, directorySize);
  brand::append32(out, static_cast<std::uint32_t>(written_));
  brand::append16(out, 0);
  return out;
}

}  // namespace carafe::pack
