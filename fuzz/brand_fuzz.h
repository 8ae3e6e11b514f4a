// What the branding tool's fuzz targets share: reporting a broken property
// so that libFuzzer keeps the input. They need no platform, real or fake.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace carafe::fuzz {

[[noreturn]] inline void brokenProperty(const char* what) {
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

inline void check(bool holds, const char* what) {
  if (!holds) brokenProperty(what);
}

}  // namespace carafe::fuzz
