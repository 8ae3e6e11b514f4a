#include "brand/bytes.h"

namespace carafe::brand {

void ByteView::throwOutside(std::uint64_t offset, std::uint64_t length) const {
  throw BrandError("truncated or corrupt: " + std::to_string(length) + " bytes at offset " +
                   hex(offset) + " lie beyond the end of " + what_ + " (" + hex(size_) + " bytes)");
}

std::uint64_t alignUp(std::uint64_t value, std::uint64_t alignment) {
  const std::uint64_t rest = value % alignment;
  return rest == 0 ? value : value + (alignment - rest);
}

std::string hex(std::uint64_t value) {
  static const char DIGITS[] = "0123456789abcdef";
  std::string digits;
  do {
    digits.insert(digits.begin(), DIGITS[value % 16]);
    value /= 16;
  } while (value != 0);
  return "0x" + digits;
}

void append16(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void append32(Bytes& out, std::uint32_t value) {
  append16(out, static_cast<std::uint16_t>(value));
  append16(out, static_cast<std::uint16_t>(value >> 16));
}

void put16(Bytes& out, std::size_t offset, std::uint16_t value) {
  out.at(offset) = static_cast<std::uint8_t>(value);
  out.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

void put32(Bytes& out, std::size_t offset, std::uint32_t value) {
  put16(out, offset, static_cast<std::uint16_t>(value));
  put16(out, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

void padTo(Bytes& out, std::size_t alignment) {
  out.resize(static_cast<std::size_t>(alignUp(out.size(), alignment)), 0);
}

}  // namespace carafe::brand
