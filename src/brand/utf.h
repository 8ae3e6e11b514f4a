// UTF-8 (the command line's text) to and from UTF-16 (the text of Windows
// resources).
#pragma once

#include <string>

namespace carafe::brand {

// Throws BrandError for bytes that are not UTF-8.
std::u16string utf8ToUtf16(const std::string& text);
// Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(const std::u16string& text);

}  // namespace carafe::brand
