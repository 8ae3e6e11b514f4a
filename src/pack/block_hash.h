// The frame that SHA-1 and SHA-256 share: data taken in 64-byte blocks, and
// the end padded with 0x80, zeros and the length in bits, big-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace carafe::pack {

class BlockHash {
 public:
  void add(const std::uint8_t* data, std::size_t size);
  void add(const std::string& text) {
    add(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  }

 protected:
  BlockHash() = default;
  ~BlockHash() = default;
  // Adds the padding and the length: every block has then been taken.
  void pad();

 private:
  virtual void block(const std::uint8_t* data) = 0;

  std::array<std::uint8_t, 64> pending_{};
  std::size_t pendingSize_ = 0;
  std::uint64_t length_ = 0;
};

}  // namespace carafe::pack
