// Texts that become Windows file names, class names and versions, checked
// before anything is written. Each function returns what is wrong, in words
// that follow the text's name ("--name: ..."), or nothing.
#pragma once

#include <string>

namespace carafe::pack {

// A name for a file or folder on Windows: not empty, UTF-8, none of the
// characters Windows refuses (\ / : * ? " < > | and control characters), no
// space or dot at its end, not a device name (CON, NUL, COM1, ...).
std::string fileNameProblem(const std::string& name);

// The text's first character (UTF-8) outside code page 1252, or nothing.
std::string outsideCodePage1252(const std::string& text);

// The text's first control character, as shown ("\n", "\x01"), or nothing.
std::string controlCharacter(const std::string& text);

// The name's letters in lower case (ASCII only), as Windows compares names.
std::string foldedName(const std::string& name);

}  // namespace carafe::pack
