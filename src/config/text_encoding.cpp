#include "config/text_encoding.h"

#include "platform/platform.h"

namespace carafe {

namespace {

// A multi-byte sequence by its lead byte: its length, the bits of the lead
// that belong to the code point, and the smallest code point that needs it.
struct Sequence {
  std::size_t length;  // 0: the byte cannot begin a sequence
  unsigned char leadBits;
  unsigned long smallest;
};

Sequence sequenceOf(unsigned char lead) {
  if ((lead & 0xE0) == 0xC0) return {2, 0x1F, 0x80};
  if ((lead & 0xF0) == 0xE0) return {3, 0x0F, 0x800};
  if ((lead & 0xF8) == 0xF0) return {4, 0x07, 0x10000};
  return {0, 0, 0};
}

}  // namespace

bool isValidUtf8(const std::string& text) {
  const std::size_t size = text.size();
  std::size_t i = 0;
  while (i < size) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    const Sequence sequence = sequenceOf(lead);
    if (sequence.length == 0 || size - i < sequence.length) return false;
    unsigned long codePoint = lead & sequence.leadBits;
    for (std::size_t k = 1; k < sequence.length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < sequence.smallest || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
      return false;
    }
    i += sequence.length;
  }
  return true;
}

void takeAsUtf8(std::string& line) {
  if (!isValidUtf8(line)) line = platform::legacyTextToUtf8(line);
}

}  // namespace carafe
