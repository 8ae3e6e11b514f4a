#include "config/line_reader.h"

#include <cstring>

namespace carafe {

namespace {

constexpr char CTRL_Z = 26;

}  // namespace

bool LineReader::fill() {
  if (ended_) return false;
  start_ = 0;
  end_ = platform::readFile(file_, buffer_, sizeof buffer_);
  if (end_ == 0) {
    ended_ = true;
    return false;
  }
  // Text mode: a Ctrl-Z ends the file.
  const void* stop = std::memchr(buffer_, CTRL_Z, end_);
  if (stop != nullptr) {
    end_ = static_cast<std::size_t>(static_cast<const char*>(stop) - buffer_);
    ended_ = true;
  }
  return true;
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
  return !line.empty();
}

}  // namespace carafe
