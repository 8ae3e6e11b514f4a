// The version information resource (RT_VERSION): the numbers of its fixed
// part and its strings, which Explorer's properties and Task Manager show.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "brand/bytes.h"

namespace carafe::brand {

// A version such as "2.3.1": one to four numbers up to 65535, the missing
// ones 0.
struct VersionNumber {
  std::array<std::uint16_t, 4> parts{};
  std::string text;  // as given
};

// Throws BrandError for anything but one to four dot-separated numbers.
VersionNumber parseVersionNumber(const std::string& text);

// Key and value, both UTF-8.
using VersionStrings = std::vector<std::pair<std::string, std::string>>;

struct VersionInfo {
  VersionNumber fileVersion;
  VersionNumber productVersion;
  VersionStrings strings;  // written in this order, as U.S. English in Unicode
};

// The RT_VERSION data. Throws BrandError when a text is not UTF-8 or the
// whole is more than the 64 KiB that its length field can say.
Bytes writeVersionInfo(const VersionInfo& info);

// The strings of an RT_VERSION resource, from its first string table. Throws
// BrandError for data that is no version information.
VersionStrings readVersionStrings(const ByteView& data);

}  // namespace carafe::brand
