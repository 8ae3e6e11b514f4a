#include "pack/names.h"

#include <cstdint>

#include "config/text_encoding.h"

namespace carafe::pack {

namespace {

// The characters of code page 1252 at 0x80 to 0x9F, where it differs from
// Latin-1; the rest of 0xA0 to 0xFF is Latin-1's.
constexpr std::uint32_t CP1252_HIGH[] = {0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                         0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x017D, 0x2018,
                                         0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC,
                                         0x2122, 0x0161, 0x203A, 0x0153, 0x017E, 0x0178};

const char* const DEVICE_NAMES[] = {"con", "prn", "aux", "nul"};

// The code point at text[i] (valid UTF-8) and its length in bytes.
std::uint32_t codePointAt(const std::string& text, std::size_t i, std::size_t& length) {
  const unsigned char first = static_cast<unsigned char>(text[i]);
  length = first < 0x80 ? 1 : first < 0xE0 ? 2 : first < 0xF0 ? 3 : 4;
  std::uint32_t value = length == 1 ? first : first & (0x7F >> length);
  for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
    value = (value << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
  }
  return value;
}

bool isDeviceName(const std::string& name) {
  const std::string base = foldedName(name.substr(0, name.find('.')));
  for (const char* device : DEVICE_NAMES) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

}  // namespace

std::string controlCharacter(const std::string& text) {
  static const char HEX[] = "0123456789abcdef";
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte == '\t') return "\\t";
    if (byte == '\n') return "\\n";
    if (byte == '\r') return "\\r";
    if (byte < 0x20 || byte == 0x7F) return std::string("\\x") + HEX[byte >> 4] + HEX[byte & 15];
  }
  return std::string();
}

std::string fileNameProblem(const std::string& name) {
  if (name.empty()) return "is empty";
  if (!isValidUtf8(name)) return "is not UTF-8 text";
  const std::string control = controlCharacter(name);
  if (!control.empty()) return "holds the control character " + control;
  const std::size_t refused = name.find_first_of("\\/:*?\"<>|");
  if (refused != std::string::npos) {
    return std::string("holds \"") + name[refused] + "\", which Windows file names cannot hold";
  }
  if (name.back() == ' ' || name.back() == '.') {
    return "ends with a space or a dot, which Windows drops from file names";
  }
  if (isDeviceName(name)) return "is a name that Windows keeps for a device";
  if (name.size() > 255) return "is longer than the 255 characters of a Windows file name";
  return std::string();
}

std::string outsideCodePage1252(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = 1;
    const std::uint32_t value = codePointAt(text, i, length);
    bool inside = value < 0x80 || (value >= 0xA0 && value <= 0xFF);
    for (std::uint32_t high : CP1252_HIGH) inside = inside || value == high;
    if (!inside) return text.substr(i, length);
    i += length;
  }
  return std::string();
}

std::string foldedName(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

}  // namespace carafe::pack
