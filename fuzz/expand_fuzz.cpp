// Value expansion over arbitrary values and environments.
//
// Input: one byte of options (bit 0 debug mode, bit 1 POSIX conventions,
// bit 2 quoteIfSpaced), then environment entries one per line up to an
// empty line, then the value (the rest of the input, line feeds included).
#include <cstdint>
#include <string>

#include "config/expand.h"
#include "core/settings.h"
#include "fake_platform.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const carafe::fuzz::Input input(data, size);
  carafe::fuzz::resetFake(input);
  carafe::launchSettings.debugMode = input.flag(0);

  std::string value;
  const std::size_t end = input.text.find("\n\n");
  const std::string environment = input.text.substr(0, end);
  if (end != std::string::npos) value = input.text.substr(end + 2);
  if (!environment.empty()) {
    carafe::fake::state().environment = carafe::fuzz::splitOn(environment, "\n");
  }

  const std::string result = carafe::expandValue(value, input.flag(2));

  // A value without a reference comes back as written; an expanded one has
  // forward slashes only.
  if (value.empty() && !result.empty()) carafe::fuzz::fail("an empty value expanded", result);
  if (value.find('$') == std::string::npos && result != value) {
    carafe::fuzz::fail("a value without a reference changed", result);
  }
  if (result != value && result.find('\\') != std::string::npos) {
    carafe::fuzz::fail("an expanded value kept a backslash", result);
  }
  // Only the debug notices can be shown.
  for (const carafe::fake::Notice& notice : carafe::fake::state().notices) {
    if (!input.flag(0) || notice.style != carafe::platform::NoticeStyle::PLAIN) {
      carafe::fuzz::fail("expansion showed an unexpected notice", notice.caption);
    }
  }
  return 0;
}
