// SHA-1, for the name-based identifiers of an installer package (UUID
// version 5) and the digests its codes are derived from. Not for security:
// nothing here is secret or signed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "pack/block_hash.h"

namespace carafe::pack {

using Sha1Digest = std::array<std::uint8_t, 20>;

class Sha1 final : public BlockHash {
 public:
  Sha1();
  // The digest of everything added; the object is spent afterwards.
  Sha1Digest finish();

 private:
  void block(const std::uint8_t* data) override;

  std::array<std::uint32_t, 5> state_;
};

Sha1Digest sha1(const std::string& text);

// The digest as 40 lowercase hex digits.
std::string hexDigest(const Sha1Digest& digest);

}  // namespace carafe::pack
