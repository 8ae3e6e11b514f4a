// SHA-256, for the digest files beside carafe-pack's outputs
// ("<file>.sha256", as sha256sum writes and checks them).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace carafe::pack {

using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256 {
 public:
  Sha256();
  void add(const std::uint8_t* data, std::size_t size);
  // The digest of everything added; the object is spent afterwards.
  Sha256Digest finish();

 private:
  void block(const std::uint8_t* data);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pendingSize_ = 0;
  std::uint64_t length_ = 0;
};

// The line of a digest file: 64 lowercase hex digits, two spaces, the file's
// name, a line feed.
std::string sha256Line(const std::uint8_t* data, std::size_t size, const std::string& fileName);

}  // namespace carafe::pack
