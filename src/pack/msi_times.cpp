#include "pack/msi_times.h"

namespace carafe::pack {

namespace {

constexpr std::uint32_t FILETIME_TYPE = 0x40;        // a property's type, before its value
constexpr std::int64_t FILETIME_UNIX = 11644473600;  // 1601-01-01 to 1970-01-01, in seconds
constexpr std::int64_t TICKS = 10000000;             // a FILETIME counts 100 ns
constexpr std::int64_t ZONES = 15 * 3600;            // local times, where a tool wrote them

std::uint64_t fileTime(std::int64_t seconds) {
  return static_cast<std::uint64_t>((seconds + FILETIME_UNIX) * TICKS);
}

}  // namespace

std::size_t setSummaryTimes(brand::Bytes& msi, std::int64_t from, std::int64_t to,
                            std::int64_t epoch) {
  const std::uint64_t low = fileTime(from - ZONES);
  const std::uint64_t high = fileTime(to + ZONES + 1);
  const std::uint64_t wanted = fileTime(epoch);
  std::size_t replaced = 0;
  for (std::size_t i = 0; i + 12 <= msi.size(); i += 4) {
    std::uint32_t type = 0;
    std::uint64_t value = 0;
    for (int k = 3; k >= 0; --k) type = (type << 8) | msi[i + k];
    if (type != FILETIME_TYPE) continue;
    for (int k = 7; k >= 0; --k) value = (value << 8) | msi[i + 4 + k];
    if (value < low || value >= high) continue;
    for (int k = 0; k < 8; ++k) msi[i + 4 + k] = static_cast<std::uint8_t>(wanted >> (8 * k));
    ++replaced;
  }
  return replaced;
}

}  // namespace carafe::pack
