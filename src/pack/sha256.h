// SHA-256, for the digest files beside carafe-pack's outputs
// ("<file>.sha256", as sha256sum writes and checks them).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "pack/block_hash.h"

namespace carafe::pack {

using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256 final : public BlockHash {
 public:
  Sha256();
  // The digest of everything added; the object is spent afterwards.
  Sha256Digest finish();

 private:
  void block(const std::uint8_t* data) override;

  std::array<std::uint32_t, 8> state_;
};

// The line of a digest file: 64 lowercase hex digits, two spaces, the file's
// name, a line feed.
std::string sha256Line(const std::uint8_t* data, std::size_t size, const std::string& fileName);

}  // namespace carafe::pack
