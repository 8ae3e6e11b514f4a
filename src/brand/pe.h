// Windows executables (PE32 and PE32+): the headers and sections needed to
// replace the resource section, and the checksum.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brand/bytes.h"

namespace carafe::brand {

constexpr std::uint16_t MACHINE_I386 = 0x014C;
constexpr std::uint16_t MACHINE_AMD64 = 0x8664;
constexpr std::size_t DIRECTORY_RESOURCE = 2;
constexpr std::size_t DIRECTORY_CERTIFICATE = 4;
constexpr std::size_t DIRECTORY_BASE_RELOCATION = 5;
constexpr std::size_t DIRECTORY_DEBUG = 6;

struct Section {
  std::string name;
  std::size_t headerOffset = 0;  // file offset of its section header
  std::uint32_t virtualSize = 0;
  std::uint32_t virtualAddress = 0;
  std::uint32_t sizeOfRawData = 0;
  std::uint32_t pointerToRawData = 0;

  // How far it reaches in memory from its address.
  std::uint32_t virtualExtent() const { return virtualSize != 0 ? virtualSize : sizeOfRawData; }
};

struct DataDirectory {
  std::uint32_t address = 0;  // an RVA; for the certificate table, a file offset
  std::uint32_t size = 0;
};

// What is known of an exe after its headers have been checked.
struct PeImage {
  bool pe32Plus = false;
  std::uint16_t machine = 0;
  std::uint16_t characteristics = 0;
  std::size_t optionalHeader = 0;  // file offset
  std::uint32_t fileAlignment = 0;
  std::uint32_t sectionAlignment = 0;
  std::uint32_t pointerToSymbolTable = 0;
  std::vector<DataDirectory> directories;
  std::vector<Section> sections;  // in the file's order, which is also the address order
  std::size_t resources = 0;      // index of the section that holds the resources
  std::uint64_t imageEnd = 0;     // end of the last section's data in the file

  std::size_t checksumOffset() const { return optionalHeader + 64; }
  std::size_t directoryOffset(std::size_t index) const {
    return optionalHeader + (pe32Plus ? 112 : 96) + 8 * index;
  }
};

// Checks the headers of an exe. Throws BrandError for a file that is no PE
// executable, is truncated or corrupt, or has no resource section that can
// be replaced.
PeImage readPe(const Bytes& file);

// The resource section's bytes, from the resource directory on.
ByteView resourceSection(const Bytes& file, const PeImage& image);

// The exe with its resource section replaced by resources, which were written
// for the section's address. The sections after it move as far as it grows
// or shrinks; any signature is dropped; the checksum is computed afresh.
// Throws BrandError for a layout that cannot be moved that way.
Bytes replaceResources(const Bytes& file, const PeImage& image, const Bytes& resources);

// The PE checksum of file, its own 4 bytes at checksumOffset counted as 0.
std::uint32_t peChecksum(const Bytes& file, std::size_t checksumOffset);

}  // namespace carafe::brand
