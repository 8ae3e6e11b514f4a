// Paths longer than the system's classic limit of 260 characters. The "-A"
// functions take them only on Windows 10 1607 and later with long paths
// enabled by the machine's administrator (off by default), and the manifest
// asks for them; the wide functions take any length with the "\\?\" prefix.
#pragma once

#include <string>
#include <vector>

namespace carafe::platform {

// A NUL-terminated wide text. A vector, not a wide string, keeps the
// library's wide-string code out of the programs.
using WideText = std::vector<wchar_t>;

// A text in the process's code page for the wide functions, as it is.
WideText wideText(const std::string& text);

// The path for the wide functions: in UTF-16 from the process's code page,
// and where it is too long for the classic limit, made absolute and given the
// "\\?\" prefix (with "/" turned into "\", as that prefix requires).
WideText widePath(const std::string& path);

// A NUL-terminated text of the wide functions in the process's code page.
std::string narrowText(const wchar_t* text);

}  // namespace carafe::platform
