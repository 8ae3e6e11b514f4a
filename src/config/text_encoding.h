// The encodings in which configuration files are read: UTF-8 (with or
// without a byte order mark), and lines in the system's legacy code page.
#pragma once

#include <string>

namespace carafe {

// True when text is well-formed UTF-8 (ASCII included): no stray or missing
// continuation bytes, no overlong forms, surrogates or code points beyond
// U+10FFFF.
bool isValidUtf8(const std::string& text);

// Makes a configuration line UTF-8: unchanged when it is UTF-8 already, else
// converted from the system's legacy code page where the platform has one.
void takeAsUtf8(std::string& line);

}  // namespace carafe
