// Small helpers shared by the fuzz targets: reading their inputs and
// reporting a broken property so that libFuzzer records the input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/settings.h"
#include "fake_platform.h"

namespace carafe::fuzz {

// Ends the run with a message; libFuzzer saves the input as a crash.
[[noreturn]] inline void fail(const char* what, const std::string& detail = std::string()) {
  std::fprintf(stderr, "property broken: %s\n%s\n", what, detail.c_str());
  std::abort();
}

// The parts of text between separators, in order (one part for a text
// without a separator).
inline std::vector<std::string> splitOn(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    if (end == std::string::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, end - start));
    start = end + separator.size();
  }
}

// The input's first byte as option bits, and the rest as text.
struct Input {
  unsigned flags = 0;
  std::string text;
  Input(const std::uint8_t* data, std::size_t size) {
    if (size > 0) {
      flags = data[0];
      text.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    }
  }
  bool flag(unsigned bit) const { return (flags >> bit) & 1u; }
};

// Empties the fake under the conventions that bit 1 of the flags chooses.
inline void resetFake(const Input& input) {
  fake::reset(input.flag(1) ? platform::POSIX_CONVENTIONS : platform::WINDOWS_CONVENTIONS);
}

// Every file, search and registry key that was opened has been closed.
inline void checkNothingLeftOpen() {
  const fake::FakeState& state = fake::state();
  if (state.filesOpen != 0) fail("a configuration file was left open");
  if (state.searchesOpen != 0) fail("a directory search was left open");
  if (state.keysOpen != 0) fail("a registry key was left open");
}

}  // namespace carafe::fuzz
