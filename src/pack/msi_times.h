// The times in an installer's summary information (created, last saved),
// which wixl and msibuild take from the clock: set to the epoch, so that the
// same inputs give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "brand/bytes.h"

namespace carafe::pack {

// Replaces every time property (a FILETIME with its type) whose time lies
// between from and to, in seconds since 1970 and give or take a day's time
// zones, with epoch. Returns how many it replaced.
std::size_t setSummaryTimes(brand::Bytes& msi, std::int64_t from, std::int64_t to,
                            std::int64_t epoch);

}  // namespace carafe::pack
