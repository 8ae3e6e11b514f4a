// The zip writer: what carafe-check's zip reader and the fixed rules make of
// its bytes.
#include "pack/zip.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "check/zip_entries.h"

namespace carafe::pack {
namespace {

std::vector<std::string> namesIn(const Bytes& zip) {
  const std::string bytes(zip.begin(), zip.end());
  std::vector<std::string> names;
  std::string problem;
  const bool read = check::readZipEntries(
      bytes.size(),
      [&bytes](std::uint64_t offset, std::size_t size, std::string& out) {
        out = bytes.substr(static_cast<std::size_t>(offset), size);
        return true;
      },
      names, problem);
  EXPECT_TRUE(read) << problem;
  return names;
}

Bytes written(std::int64_t epoch) {
  ZipWriter zip(epoch);
  Bytes out;
  for (const Bytes& part :
       {zip.directory("Editor/"), zip.file("Editor/Editor.exe", Bytes{'M', 'Z'}, true),
        zip.file("Editor/lib/é.jar", Bytes(3, 7), false)}) {
    out.insert(out.end(), part.begin(), part.end());
  }
  const Bytes end = zip.finish();
  out.insert(out.end(), end.begin(), end.end());
  return out;
}

std::uint32_t at32(const Bytes& bytes, std::size_t offset) {
  return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
         (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

TEST(Zip, WritesTheSameBytesForTheSameEntriesWithOneTimeAndFixedModes) {
  const Bytes zip = written(1765338230);  // 2025-12-10 03:43:50 UTC
  EXPECT_EQ(namesIn(zip),
            (std::vector<std::string>{"Editor/", "Editor/Editor.exe", "Editor/lib/é.jar"}));
  EXPECT_EQ(written(1765338230), zip);
  EXPECT_NE(written(1765338232), zip);
  // Local header: the time and date fields, DOS style (two-second steps).
  EXPECT_EQ(at32(zip, 10), (((2025u - 1980) << 9 | 12 << 5 | 10) << 16) | (3 << 11 | 43 << 5 | 25));
  // Before 1980 the time is the zip format's first.
  EXPECT_EQ(at32(written(0), 10), ((0u << 9 | 1 << 5 | 1) << 16) | 0);
  // The central directory's external attributes: POSIX modes.
  const std::size_t central = at32(zip, zip.size() - 6);
  EXPECT_EQ(at32(zip, central + 38), (0040755u << 16) | 0x10);
  const std::size_t second = central + 46 + 7;
  EXPECT_EQ(at32(zip, second + 38), 0100755u << 16);
  const std::size_t third = second + 46 + 17;
  EXPECT_EQ(at32(zip, third + 38), 0100644u << 16);
  EXPECT_EQ(zip[third + 8] | (zip[third + 9] << 8), 0x0800);  // a UTF-8 name
  EXPECT_EQ(crc32(Bytes{'1', '2', '3', '4', '5', '6', '7', '8', '9'}), 0xCBF43926u);
}

// An entry is deflated where that makes it smaller (the method, sizes and
// version in both headers), else stored; zlib gives its data back.
TEST(Zip, DeflatesAnEntryOnlyWhereThatMakesItSmaller) {
  Bytes text;
  for (int i = 0; i < 2000; ++i) text.push_back(static_cast<std::uint8_t>("modules "[i % 8]));
  const struct {
    Bytes data;
    std::uint16_t method;
  } cases[] = {{text, 8}, {Bytes{'M', 'Z'}, 0}, {Bytes(), 0}};
  for (const auto& row : cases) {
    ZipWriter zip(ZIP_EARLIEST);
    Bytes out = zip.file("Editor/lib/modules", row.data, false);
    const std::size_t localSize = out.size();
    const Bytes end = zip.finish();
    out.insert(out.end(), end.begin(), end.end());
    const auto at16 = [&out](std::size_t offset) { return out[offset] | (out[offset + 1] << 8); };
    EXPECT_EQ(at16(8), row.method);
    EXPECT_EQ(at16(4), row.method == 8 ? 20 : 10);
    EXPECT_EQ(at32(out, 22), row.data.size());
    const std::uint32_t packed = at32(out, 18);
    EXPECT_EQ(localSize, 30 + 18 + packed);
    EXPECT_EQ(at16(localSize + 10), row.method);  // the central directory's
    EXPECT_EQ(at32(out, localSize + 20), packed);
    if (row.method != 8) continue;
    EXPECT_LT(packed, row.data.size() / 10);
    Bytes back(row.data.size());
    z_stream stream{};
    ASSERT_EQ(inflateInit2(&stream, -MAX_WBITS), Z_OK);
    stream.next_in = out.data() + 48;
    stream.avail_in = packed;
    stream.next_out = back.data();
    stream.avail_out = static_cast<uInt>(back.size());
    EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
    inflateEnd(&stream);
    EXPECT_EQ(back, row.data);
  }
}

}  // namespace
}  // namespace carafe::pack
