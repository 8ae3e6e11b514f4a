#include "platform/binary_kind.h"

#include <cstdio>

namespace carafe::platform {

namespace {

unsigned long littleEndian(const std::string& bytes, std::size_t at, std::size_t width) {
  unsigned long value = 0;
  for (std::size_t i = width; i > 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i - 1]);
  }
  return value;
}

}  // namespace

unsigned windowsMachine(const std::string& header) {
  if (header.size() < 0x40 || header.compare(0, 2, "MZ") != 0) return 0;
  const unsigned long pe = littleEndian(header, 0x3C, 4);
  if (pe > header.size() || header.size() - pe < 6 ||
      header.compare(pe, 4, std::string("PE\0\0", 4)) != 0) {
    return 0;
  }
  return static_cast<unsigned>(littleEndian(header, pe + 4, 2));
}

std::string machineName(unsigned machine) {
  switch (machine) {
    case 0x8664:
      return "64-bit x64";
    case 0x14C:
      return "32-bit x86";
    case 0xAA64:
      return "64-bit ARM";
    default: {
      char text[32];
      std::snprintf(text, sizeof text, "machine 0x%X", machine);
      return text;
    }
  }
}

std::string windowsLibraryProblem(const std::string& header, unsigned launcherMachine) {
  const unsigned machine = windowsMachine(header);
  if (machine == 0) return "it is not a Windows library";
  if (machine == launcherMachine) return std::string();
  return "it is a " + machineName(machine) + " library, and the launcher a " +
         machineName(launcherMachine) + " program";
}

int elfBits(const std::string& header) {
  if (header.size() < 5 || header.compare(0, 4,
                                          "\x7F"
                                          "ELF") != 0)
    return 0;
  return header[4] == 1 ? 32 : header[4] == 2 ? 64 : 0;
}

}  // namespace carafe::platform
