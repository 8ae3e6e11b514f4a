#include "brand/version_info.h"

#include <algorithm>

#include "brand/utf.h"

namespace carafe::brand {

namespace {

constexpr std::uint32_t FIXED_SIGNATURE = 0xFEEF04BD;
constexpr std::uint32_t FIXED_STRUCTURE_VERSION = 0x00010000;
constexpr std::uint32_t FILE_FLAGS_MASK = 0x3F;
constexpr std::uint32_t OS_NT_WINDOWS32 = 0x00040004;
constexpr std::uint32_t FILE_TYPE_APP = 1;
constexpr std::uint16_t TEXT = 1;
constexpr std::uint16_t BINARY = 0;
constexpr std::size_t NODE_HEADER_SIZE = 6;
// U.S. English (0x0409) in Unicode (code page 1200): the string table's key
// and the translation that points VerQueryValue to it.
const char16_t* const STRING_TABLE_KEY = u"040904B0";
constexpr std::uint16_t LANGUAGE = 0x0409;
constexpr std::uint16_t CODE_PAGE_UNICODE = 1200;

void appendText(Bytes& out, const std::u16string& text) {
  for (char16_t unit : text) append16(out, static_cast<std::uint16_t>(unit));
  append16(out, 0);
}

// One node: its lengths and type, the key, the value and the children, each
// starting on a 32-bit boundary. Its length leaves out trailing padding.
Bytes node(const std::u16string& key, std::uint16_t type, const Bytes& value,
           std::uint16_t valueLength, const std::vector<Bytes>& children) {
  Bytes out(NODE_HEADER_SIZE, 0);
  put16(out, 2, valueLength);
  put16(out, 4, type);
  appendText(out, key);
  if (!value.empty()) {
    padTo(out, 4);
    out.insert(out.end(), value.begin(), value.end());
  }
  for (const Bytes& child : children) {
    padTo(out, 4);
    out.insert(out.end(), child.begin(), child.end());
  }
  if (out.size() > 0xFFFF) {
    throw BrandError("the version information would take " + std::to_string(out.size()) +
                     " bytes, more than the 65535 it can hold: shorten the texts");
  }
  put16(out, 0, static_cast<std::uint16_t>(out.size()));
  return out;
}

Bytes stringNode(const std::string& key, const std::string& value) {
  const std::u16string text = utf8ToUtf16(value);
  Bytes data;
  appendText(data, text);
  if (text.size() >= 0xFFFF) throw BrandError("the text of " + key + " is too long");
  // A string's value length counts UTF-16 units, its terminator included.
  return node(utf8ToUtf16(key), TEXT, data, static_cast<std::uint16_t>(text.size() + 1), {});
}

std::uint32_t high(const VersionNumber& version) {
  return (static_cast<std::uint32_t>(version.parts[0]) << 16) | version.parts[1];
}

std::uint32_t low(const VersionNumber& version) {
  return (static_cast<std::uint32_t>(version.parts[2]) << 16) | version.parts[3];
}

Bytes fixedFileInfo(const VersionInfo& info) {
  Bytes out;
  for (std::uint32_t value :
       {FIXED_SIGNATURE, FIXED_STRUCTURE_VERSION, high(info.fileVersion), low(info.fileVersion),
        high(info.productVersion), low(info.productVersion), FILE_FLAGS_MASK, 0u, OS_NT_WINDOWS32,
        FILE_TYPE_APP, 0u, 0u, 0u}) {
    append32(out, value);
  }
  return out;
}

[[noreturn]] void notVersionInfo(const std::string& what) {
  throw BrandError("its version information is corrupt: " + what);
}

struct Node {
  std::u16string key;
  std::size_t value = 0;     // offset of the value
  std::size_t children = 0;  // offset of the first child, or end
  std::size_t end = 0;
  std::uint16_t valueLength = 0;
};

// The node at offset, which must end by limit.
Node readNode(const ByteView& data, std::size_t offset, std::size_t limit) {
  Node result;
  const std::size_t length = data.u16(offset);
  if (length < NODE_HEADER_SIZE || length > limit - offset) {
    notVersionInfo("a node's length " + std::to_string(length) + " at offset " +
                   std::to_string(offset) + " does not fit");
  }
  result.end = offset + length;
  result.valueLength = data.u16(offset + 2);
  const std::uint16_t type = data.u16(offset + 4);
  std::size_t at = offset + NODE_HEADER_SIZE;
  for (;; at += 2) {
    if (at + 2 > result.end) notVersionInfo("a key has no terminator");
    const std::uint16_t unit = data.u16(at);
    if (unit == 0) break;
    result.key += static_cast<char16_t>(unit);
  }
  result.value = std::min<std::size_t>(static_cast<std::size_t>(alignUp(at + 2, 4)), result.end);
  const std::size_t valueBytes = type == TEXT ? 2u * result.valueLength : result.valueLength;
  result.children = std::min<std::size_t>(
      static_cast<std::size_t>(alignUp(result.value + valueBytes, 4)), result.end);
  return result;
}

// Calls visit for each child of parent.
template <typename Visit>
void forEachChild(const ByteView& data, const Node& parent, Visit visit) {
  std::size_t at = parent.children;
  while (at + NODE_HEADER_SIZE <= parent.end) {
    const Node child = readNode(data, at, parent.end);
    visit(child);
    at = static_cast<std::size_t>(alignUp(child.end, 4));
  }
}

// A string's value up to its terminator or the end of its node; some
// writers count its length in bytes, others in characters.
std::string stringValue(const ByteView& data, const Node& node) {
  std::u16string text;
  for (std::size_t at = node.value; at + 2 <= node.end; at += 2) {
    const std::uint16_t unit = data.u16(at);
    if (unit == 0) break;
    text += static_cast<char16_t>(unit);
  }
  return utf16ToUtf8(text);
}

}  // namespace

VersionNumber parseVersionNumber(const std::string& text) {
  VersionNumber version;
  version.text = text;
  std::size_t count = 0;
  std::size_t at = 0;
  const auto refuse = [&]() {
    throw BrandError("\"" + text +
                     "\" is not a version: give 1 to 4 numbers from 0 to 65535 separated by "
                     "dots, such as 2.3.1");
  };
  for (;;) {
    std::size_t digits = 0;
    std::uint32_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      value = value * 10 + static_cast<std::uint32_t>(text[at] - '0');
      if (value > 0xFFFF) refuse();
      ++at, ++digits;
    }
    if (digits == 0 || count == version.parts.size()) refuse();
    version.parts[count++] = static_cast<std::uint16_t>(value);
    if (at == text.size()) return version;
    if (text[at] != '.') refuse();
    ++at;
  }
}

Bytes writeVersionInfo(const VersionInfo& info) {
  std::vector<Bytes> strings;
  for (const auto& [key, value] : info.strings) strings.push_back(stringNode(key, value));
  const Bytes table = node(STRING_TABLE_KEY, TEXT, {}, 0, strings);
  const Bytes stringFileInfo = node(u"StringFileInfo", TEXT, {}, 0, {table});
  Bytes translation;
  append16(translation, LANGUAGE);
  append16(translation, CODE_PAGE_UNICODE);
  // The translation's value length counts bytes.
  const Bytes var = node(u"Translation", BINARY, translation, 4, {});
  const Bytes varFileInfo = node(u"VarFileInfo", TEXT, {}, 0, {var});
  const Bytes fixed = fixedFileInfo(info);
  return node(u"VS_VERSION_INFO", BINARY, fixed, static_cast<std::uint16_t>(fixed.size()),
              {stringFileInfo, varFileInfo});
}

VersionStrings readVersionStrings(const ByteView& data) {
  if (data.size() < NODE_HEADER_SIZE) notVersionInfo("it is too short");
  const Node root = readNode(data, 0, data.size());
  if (root.key != u"VS_VERSION_INFO") notVersionInfo("it does not begin with VS_VERSION_INFO");
  VersionStrings strings;
  bool tableRead = false;
  forEachChild(data, root, [&](const Node& child) {
    if (child.key != u"StringFileInfo") return;
    forEachChild(data, child, [&](const Node& table) {
      if (tableRead) return;
      tableRead = true;
      forEachChild(data, table, [&](const Node& string) {
        strings.emplace_back(utf16ToUtf8(string.key), stringValue(data, string));
      });
    });
  });
  return strings;
}

}  // namespace carafe::brand
