#include "config/line_reader.h"

#include <cstring>

namespace carafe {

namespace {

constexpr char CTRL_Z = 26;

}  // namespace

bool LineReader::readAt(std::size_t at) {
  if (ended_) return false;
  const std::size_t count = platform::readFile(file_, buffer_ + at, sizeof buffer_ - at);
  if (count == 0) {
    ended_ = true;
    return false;
  }
  total_ += count;
  if (total_ > platform::MAX_CONFIG_FILE_SIZE) {
    // What is left of the file is not read, nor the line it was in.
    tooLarge_ = true;
    ended_ = true;
    start_ = end_ = 0;
    return false;
  }
  end_ = at + count;
  // Text mode: a Ctrl-Z ends the file.
  const void* stop = std::memchr(buffer_ + at, CTRL_Z, count);
  if (stop != nullptr) {
    end_ = static_cast<std::size_t>(static_cast<const char*>(stop) - buffer_);
    ended_ = true;
  }
  return true;
}

bool LineReader::fill() {
  start_ = 0;
  end_ = 0;
  return readAt(0);
}

ByteOrderMark LineReader::readByteOrderMark() {
  // A read may give fewer bytes than the mark has.
  while (end_ < 3 && readAt(end_)) {
  }
  const auto startsWith = [this](const char* mark, std::size_t length) {
    return end_ >= length && std::memcmp(buffer_, mark, length) == 0;
  };
  if (startsWith("\xEF\xBB\xBF", 3)) {
    start_ = 3;
    return ByteOrderMark::UTF8;
  }
  if (startsWith("\xFF\xFE", 2) || startsWith("\xFE\xFF", 2)) return ByteOrderMark::UTF16;
  return ByteOrderMark::NONE;
}

bool LineReader::next(std::string& line) {
  line.clear();
  for (;;) {
    if (start_ == end_ && !fill()) break;
    if (start_ == end_) continue;
    const char* begin = buffer_ + start_;
    const void* feed = std::memchr(begin, '\n', end_ - start_);
    if (feed != nullptr) {
      const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(feed) - begin);
      line.append(begin, length);
      start_ += length + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      line += '\n';
      return true;
    }
    line.append(begin, end_ - start_);
    start_ = end_;
  }
  return !line.empty() && !tooLarge_;
}

}  // namespace carafe
