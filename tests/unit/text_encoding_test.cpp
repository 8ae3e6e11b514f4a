// Which configuration lines count as UTF-8, and so are taken as they are.
#include "config/text_encoding.h"

#include <gtest/gtest.h>

namespace carafe {
namespace {

TEST(IsValidUtf8, AcceptsWellFormedTextOnly) {
  const struct {
    const char* text;
    bool valid;
  } cases[] = {
      {"appname Editor", true},
      {"Zo\xC3\xAB \xE2\x98\x95 \xF0\x9D\x84\x9E", true},  // 2, 3 and 4 bytes
      {"\xF4\x8F\xBF\xBF", true},                          // U+10FFFF
      {"Caf\xE9", false},                                  // Windows-1252
      {"\x80", false},                                     // a continuation without a lead
      {"\xE2\x98", false},                                 // cut short
      {"\xC3\x28", false},                                 // no continuation
      {"\xC0\xAF", false},                                 // overlong "/"
      {"\xE0\x80\xAF", false},                             // overlong, three bytes
      {"\xED\xA0\x80", false},                             // a surrogate
      {"\xF4\x90\x80\x80", false},                         // beyond U+10FFFF
      {"\xF8\x88\x80\x80\x80", false},                     // five bytes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(isValidUtf8(c.text), c.valid);
  }
}

}  // namespace
}  // namespace carafe
