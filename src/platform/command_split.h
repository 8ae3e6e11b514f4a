// Splits one command text into an argument vector by the Windows rules, so
// that a command composed for CreateProcess starts the same program with the
// same arguments where processes take a vector.
#pragma once

#include <string>
#include <vector>

namespace carafe::platform {

// The first word (the program) ends at a space or tab outside double quotes,
// and its quotes are removed without escapes. In the words after it, 2n
// backslashes before a double quote give n backslashes and a quote that
// groups; 2n+1 give n backslashes and a literal quote; "" inside a quoted
// part gives one literal quote; other backslashes are literal.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// The length of the first word's text (the program), its quotes included.
std::size_t programWordLength(const std::string& commandLine);

// The first word (the program) without its quotes, as splitCommandLine gives it.
std::string programWord(const std::string& commandLine);

}  // namespace carafe::platform
