#include "check/zip_entries.h"

namespace carafe::check {

namespace {

constexpr std::uint32_t END_SIGNATURE = 0x06054b50;    // end of central directory
constexpr std::uint32_t ENTRY_SIGNATURE = 0x02014b50;  // central directory entry
constexpr std::uint32_t END64_LOCATOR = 0x07064b50;    // zip64 end locator
constexpr std::uint32_t END64_SIGNATURE = 0x06064b50;  // zip64 end record
constexpr std::size_t END_SIZE = 22;
constexpr std::size_t MAX_COMMENT = 65535;
constexpr std::size_t ENTRY_SIZE = 46;
// A central directory larger than this is not read (a jar of millions of entries).
constexpr std::uint64_t MAX_DIRECTORY = 256u * 1024 * 1024;

std::uint64_t little(const std::string& bytes, std::size_t at, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = width; i > 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i - 1]);
  }
  return value;
}

}  // namespace

bool readZipEntries(std::uint64_t fileSize, const ReadRange& read, std::vector<std::string>& names,
                    std::string& problem) {
  names.clear();
  if (fileSize < END_SIZE) {
    problem = "not a zip file (too short)";
    return false;
  }
  // The end record stands last, before a comment of at most 65535 bytes.
  const std::uint64_t tailSize =
      fileSize < END_SIZE + MAX_COMMENT ? fileSize : END_SIZE + MAX_COMMENT;
  std::string tail;
  if (!read(fileSize - tailSize, static_cast<std::size_t>(tailSize), tail) ||
      tail.size() != tailSize) {
    problem = "cannot be read";
    return false;
  }
  std::size_t end = std::string::npos;
  for (std::size_t at = tail.size() - END_SIZE + 1; at-- > 0;) {
    if (little(tail, at, 4) == END_SIGNATURE &&
        at + END_SIZE + little(tail, at + 20, 2) <= tail.size()) {
      end = at;
      break;
    }
  }
  if (end == std::string::npos) {
    problem = "not a zip file (no end of central directory)";
    return false;
  }
  std::uint64_t count = little(tail, end + 10, 2);
  std::uint64_t size = little(tail, end + 12, 4);
  std::uint64_t offset = little(tail, end + 16, 4);
  if (end >= 20 && little(tail, end - 20, 4) == END64_LOCATOR) {
    // Zip64: the real numbers are in a record of their own.
    const std::uint64_t record = little(tail, end - 20 + 8, 8);
    std::string bytes;
    if (record > fileSize || fileSize - record < 56 || !read(record, 56, bytes) ||
        bytes.size() != 56 || little(bytes, 0, 4) != END64_SIGNATURE) {
      problem = "its zip64 end record is damaged";
      return false;
    }
    count = little(bytes, 32, 8);
    size = little(bytes, 40, 8);
    offset = little(bytes, 48, 8);
  }
  if (offset > fileSize || size > fileSize - offset || size > MAX_DIRECTORY) {
    problem = "its central directory lies outside the file";
    return false;
  }
  std::string directory;
  if (!read(offset, static_cast<std::size_t>(size), directory) || directory.size() != size) {
    problem = "cannot be read";
    return false;
  }
  std::size_t at = 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (directory.size() - at < ENTRY_SIZE || little(directory, at, 4) != ENTRY_SIGNATURE) {
      problem = "its central directory is damaged";
      return false;
    }
    const std::size_t nameLength = static_cast<std::size_t>(little(directory, at + 28, 2));
    const std::size_t extraLength = static_cast<std::size_t>(little(directory, at + 30, 2));
    const std::size_t commentLength = static_cast<std::size_t>(little(directory, at + 32, 2));
    const std::size_t entryEnd = at + ENTRY_SIZE + nameLength + extraLength + commentLength;
    if (entryEnd > directory.size()) {
      problem = "its central directory is cut short";
      return false;
    }
    names.push_back(directory.substr(at + ENTRY_SIZE, nameLength));
    at = entryEnd;
  }
  return true;
}

}  // namespace carafe::check
