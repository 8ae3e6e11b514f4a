// The version information: numbers, the layout of its nodes, its strings in
// UTF-16.
#include "brand/version_info.h"

#include <gtest/gtest.h>

#include "brand/utf.h"
#include "synthetic.h"

namespace carafe::brand {
namespace {

using test::read16;
using test::read32;

Bytes utf16(const std::u16string& text) {
  Bytes out;
  for (char16_t unit : text) append16(out, unit);
  return out;
}

Bytes slice(const Bytes& bytes, std::size_t offset, std::size_t length) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
               bytes.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

VersionInfo myTool() {
  VersionInfo info;
  info.fileVersion = parseVersionNumber("3.10.0.61");
  info.productVersion = parseVersionNumber("3.10");
  info.strings = {{"FileDescription", "My Tool"}};
  return info;
}

TEST(VersionInfo, LaysOutTheRootAndItsFixedPart) {
  const Bytes info = writeVersionInfo(myTool());
  ASSERT_EQ(info.size(), 0x114u);
  EXPECT_EQ(read16(info, 0), 0x114u);  // the whole tree
  EXPECT_EQ(read16(info, 2), 52u);     // the fixed part
  EXPECT_EQ(read16(info, 4), 0u);      // binary
  EXPECT_EQ(slice(info, 6, 32), utf16(std::u16string(u"VS_VERSION_INFO") + u'\0'));
  const std::vector<std::uint32_t> fixed = {
      0xFEEF04BD, 0x00010000, 0x0003000A, 0x0000003D, 0x0003000A, 0x00000000, 0x3F,
      0,          0x00040004, 1,          0,          0,          0};
  for (std::size_t i = 0; i < fixed.size(); ++i) {
    EXPECT_EQ(read32(info, 0x28 + 4 * i), fixed[i]) << "field " << i;
  }
}

TEST(VersionInfo, WritesAStringNodeWithItsLengthInCharacters) {
  const Bytes info = writeVersionInfo(myTool());
  // StringFileInfo at 0x5C (a 36-byte header), its table "040904B0" at 0x80
  // (24 bytes), the string at 0x98.
  EXPECT_EQ(read16(info, 0x5C), 0x74u);
  EXPECT_EQ(slice(info, 0x5C + 6, 30), utf16(std::u16string(u"StringFileInfo") + u'\0'));
  EXPECT_EQ(read16(info, 0x80), 0x50u);
  EXPECT_EQ(slice(info, 0x80 + 6, 18), utf16(std::u16string(u"040904B0") + u'\0'));
  Bytes expected = {0x38, 0, 8, 0, 1, 0};  // 56 bytes, 8 characters with the terminator, text
  const Bytes key = utf16(std::u16string(u"FileDescription") + u'\0');
  expected.insert(expected.end(), key.begin(), key.end());
  expected.insert(expected.end(), {0, 0});  // to 32 bits
  const Bytes value = utf16(std::u16string(u"My Tool") + u'\0');
  expected.insert(expected.end(), value.begin(), value.end());
  EXPECT_EQ(slice(info, 0x98, 0x38), expected);
}

TEST(VersionInfo, PointsTheTranslationAtTheStringTable) {
  const Bytes info = writeVersionInfo(myTool());
  EXPECT_EQ(read16(info, 0xD0), 0x44u);  // VarFileInfo
  EXPECT_EQ(slice(info, 0xD0 + 6, 24), utf16(std::u16string(u"VarFileInfo") + u'\0'));
  EXPECT_EQ(read16(info, 0xF0), 0x24u);  // Translation
  EXPECT_EQ(read16(info, 0xF2), 4u);     // its value's length in bytes
  EXPECT_EQ(read16(info, 0xF4), 0u);     // binary
  EXPECT_EQ(slice(info, 0x110, 4), (Bytes{0x09, 0x04, 0xB0, 0x04}));
}

TEST(VersionInfo, ReadsBackEveryStringInUtf16) {
  VersionInfo info = myTool();
  info.strings = {
      {"CompanyName", "Jürgen Müller"},
      {"LegalCopyright", "© 2026 Example Ltd"},
      {"FileDescription", "エディタ"},
      {"Comments", "carafe 1.0.7 \xF0\x9F\x98\x80"},  // beyond 16 bits: a surrogate pair
      {"ProductName", ""},
      {"InternalName", "x"}};
  const Bytes bytes = writeVersionInfo(info);
  EXPECT_EQ(readVersionStrings(ByteView(bytes, "the resource")), info.strings);
  EXPECT_EQ(utf8ToUtf16("\xF0\x9F\x98\x80"), (std::u16string{0xD83D, 0xDE00}));
}

TEST(VersionInfo, RefusesMoreThanItsLengthFieldHolds) {
  VersionInfo info = myTool();
  info.strings.emplace_back("Comments", std::string(40000, 'x'));
  EXPECT_THROW(writeVersionInfo(info), BrandError);
}

TEST(VersionInfo, RefusesDataThatIsNoVersionInformation) {
  Bytes bytes = writeVersionInfo(myTool());
  put16(bytes, 0x98, 0x1000);  // a string longer than its parent
  EXPECT_THROW(readVersionStrings(ByteView(bytes, "the resource")), BrandError);
  EXPECT_THROW(readVersionStrings(ByteView(Bytes{6, 0, 0, 0, 0, 0}, "x")), BrandError);
}

struct NumberCase {
  const char* text;
  std::array<std::uint16_t, 4> parts;
};

TEST(VersionNumber, TakesOneToFourNumbersUpTo65535) {
  const NumberCase cases[] = {
      {"2", {2, 0, 0, 0}}, {"2.3.1", {2, 3, 1, 0}}, {"65535.0.007.65535", {65535, 0, 7, 65535}}};
  for (const NumberCase& item : cases) {
    EXPECT_EQ(parseVersionNumber(item.text).parts, item.parts) << item.text;
    EXPECT_EQ(parseVersionNumber(item.text).text, item.text);
  }
}

TEST(VersionNumber, RefusesAnythingElse) {
  for (const char* text : {"", "1.", ".1", "1..2", "1.2.3.4.5", "65536", "99999999999", "1.a", "-1",
                           " 1", "1 ", "v1", "1,2"}) {
    try {
      parseVersionNumber(text);
      ADD_FAILURE() << "accepted \"" << text << "\"";
    } catch (const BrandError& error) {
      EXPECT_EQ(error.what(), "\"" + std::string(text) +
                                  "\" is not a version: give 1 to 4 numbers from 0 to 65535 "
                                  "separated by dots, such as 2.3.1");
    }
  }
}

TEST(Utf8, RefusesBytesThatAreNoUtf8) {
  for (const char* text :
       {"\xC3", "a\xC3(", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "\x80"}) {
    EXPECT_THROW(utf8ToUtf16(text), BrandError) << text;
  }
}

}  // namespace
}  // namespace carafe::brand
