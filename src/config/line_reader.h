// Reads a configuration file line by line, in text mode: a carriage return
// before a line feed is dropped and a Ctrl-Z ends the file. Lines have no
// length limit.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace carafe {

// What a file's first bytes say about its encoding.
enum class ByteOrderMark { NONE, UTF8, UTF16 };

class LineReader {
 public:
  explicit LineReader(platform::File* file) : file_(file) {}

  // Looks at the file's first bytes, before the first line is read: a UTF-8
  // byte order mark (EF BB BF) is skipped; a UTF-16 one (FF FE or FE FF) is
  // only reported.
  ByteOrderMark readByteOrderMark();

  // Reads the next line into line, its line feed included when it has one.
  // False at the end of the file (or on a read error) when nothing is left,
  // and once the file has given more than MAX_CONFIG_FILE_SIZE bytes (a file
  // that grows while it is read): tooLarge() then tells.
  bool next(std::string& line);
  bool tooLarge() const { return tooLarge_; }

 private:
  bool fill();
  bool readAt(std::size_t at);

  platform::File* file_;
  char buffer_[4096];
  std::size_t start_ = 0;
  std::size_t end_ = 0;
  bool ended_ = false;
  bool tooLarge_ = false;
  std::uint64_t total_ = 0;  // bytes read from the file
};

}  // namespace carafe
