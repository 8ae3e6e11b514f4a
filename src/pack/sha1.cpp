#include "pack/sha1.h"

#include <cstring>

namespace carafe::pack {

namespace {

std::uint32_t rotate(std::uint32_t value, unsigned bits) {
  return (value << bits) | (value >> (32 - bits));
}

}  // namespace

Sha1::Sha1() : state_{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0} {}

void Sha1::block(const std::uint8_t* data) {
  std::uint32_t w[80];
  for (int i = 0; i < 16; ++i) {
    w[i] = (static_cast<std::uint32_t>(data[4 * i]) << 24) |
           (static_cast<std::uint32_t>(data[4 * i + 1]) << 16) |
           (static_cast<std::uint32_t>(data[4 * i + 2]) << 8) | data[4 * i + 3];
  }
  for (int i = 16; i < 80; ++i) w[i] = rotate(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
  for (int i = 0; i < 80; ++i) {
    std::uint32_t f;
    std::uint32_t k;
    if (i < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999;
    } else if (i < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1;
    } else if (i < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDC;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6;
    }
    const std::uint32_t next = rotate(a, 5) + f + e + k + w[i];
    e = d;
    d = c;
    c = rotate(b, 30);
    b = a;
    a = next;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
  state_[4] += e;
}

Sha1Digest Sha1::finish() {
  pad();
  Sha1Digest digest{};
  for (int i = 0; i < 20; ++i) {
    digest[i] = static_cast<std::uint8_t>(state_[i / 4] >> (24 - 8 * (i % 4)));
  }
  return digest;
}

Sha1Digest sha1(const std::string& text) {
  Sha1 hash;
  hash.add(text);
  return hash.finish();
}

std::string hexDigest(const Sha1Digest& digest) {
  static const char HEX[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t byte : digest) {
    text += HEX[byte >> 4];
    text += HEX[byte & 15];
  }
  return text;
}

}  // namespace carafe::pack
