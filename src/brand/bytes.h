// Bytes in memory and the little-endian integers of Windows file formats.
// Every read is checked against the end of its buffer: offsets and sizes come
// from files and are never trusted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace carafe::brand {

using Bytes = std::vector<std::uint8_t>;

// What is wrong with an input, in words a user can act on. Parsers throw it
// without the file's name; the program puts the name in front.
class BrandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A read-only window on bytes; what() names it in messages ("the file",
// "the resource section").
class ByteView {
 public:
  ByteView(const std::uint8_t* data, std::size_t size, const char* what)
      : data_(data), size_(size), what_(what) {}
  ByteView(const Bytes& bytes, const char* what) : ByteView(bytes.data(), bytes.size(), what) {}

  std::size_t size() const { return size_; }
  const std::uint8_t* data() const { return data_; }
  const char* what() const { return what_; }

  // Whether [offset, offset + length) lies inside; never overflows.
  bool contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }

  std::uint8_t u8(std::uint64_t offset) const { return at(offset, 1)[0]; }
  std::uint16_t u16(std::uint64_t offset) const {
    const std::uint8_t* p = at(offset, 2);
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
  }
  std::uint32_t u32(std::uint64_t offset) const {
    const std::uint8_t* p = at(offset, 4);
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  }
  // The bytes at offset, which must all lie inside.
  const std::uint8_t* at(std::uint64_t offset, std::uint64_t length) const {
    if (!contains(offset, length)) throwOutside(offset, length);
    return data_ + offset;
  }
  ByteView sub(std::uint64_t offset, std::uint64_t length) const {
    return ByteView(at(offset, length), static_cast<std::size_t>(length), what_);
  }
  Bytes copy(std::uint64_t offset, std::uint64_t length) const {
    const std::uint8_t* p = at(offset, length);
    return Bytes(p, p + length);
  }

 private:
  [[noreturn]] void throwOutside(std::uint64_t offset, std::uint64_t length) const;

  const std::uint8_t* data_;
  std::size_t size_;
  const char* what_;
};

std::uint64_t alignUp(std::uint64_t value, std::uint64_t alignment);
std::string hex(std::uint64_t value);

void append16(Bytes& out, std::uint16_t value);
void append32(Bytes& out, std::uint32_t value);
void put16(Bytes& out, std::size_t offset, std::uint16_t value);
void put32(Bytes& out, std::size_t offset, std::uint32_t value);
// Appends zeros up to the next multiple of alignment.
void padTo(Bytes& out, std::size_t alignment);

}  // namespace carafe::brand
