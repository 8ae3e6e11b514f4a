#include "pack/uuid.h"

#include "pack/sha1.h"

namespace carafe::pack {

namespace {

constexpr std::size_t DASHES[] = {8, 13, 18, 23};

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string formatUuid(const Uuid& uuid) {
  static const char HEX[] = "0123456789ABCDEF";
  std::string text = "{";
  for (std::size_t i = 0; i < uuid.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += HEX[uuid[i] >> 4];
    text += HEX[uuid[i] & 15];
  }
  return text + "}";
}

std::optional<Uuid> parseUuid(const std::string& text) {
  std::string inner = text;
  if (inner.size() == 38 && inner.front() == '{' && inner.back() == '}') {
    inner = inner.substr(1, 36);
  }
  if (inner.size() != 36) return std::nullopt;
  Uuid uuid{};
  std::size_t digit = 0;
  for (std::size_t i = 0; i < inner.size(); ++i) {
    const bool dash = i == DASHES[0] || i == DASHES[1] || i == DASHES[2] || i == DASHES[3];
    if (dash) {
      if (inner[i] != '-') return std::nullopt;
      continue;
    }
    const int value = hexValue(inner[i]);
    if (value < 0) return std::nullopt;
    uuid[digit / 2] =
        static_cast<std::uint8_t>(uuid[digit / 2] | (digit % 2 == 0 ? value << 4 : value));
    ++digit;
  }
  return uuid;
}

Uuid nameBasedUuid(const Uuid& namespaceId, const std::string& name) {
  Sha1 hash;
  hash.add(namespaceId.data(), namespaceId.size());
  hash.add(name);
  const Sha1Digest digest = hash.finish();
  Uuid uuid{};
  for (std::size_t i = 0; i < uuid.size(); ++i) uuid[i] = digest[i];
  uuid[6] = static_cast<std::uint8_t>((uuid[6] & 0x0F) | 0x50);  // version 5
  uuid[8] = static_cast<std::uint8_t>((uuid[8] & 0x3F) | 0x80);  // the RFC 4122 variant
  return uuid;
}

}  // namespace carafe::pack
