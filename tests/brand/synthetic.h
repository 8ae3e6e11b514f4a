// Small inputs for the branding tests, made in memory: .ico files, the
// resources of a carafe launcher, and PE32 or PE32+ exes around them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brand/bytes.h"
#include "brand/icon.h"
#include "brand/resource_tree.h"

namespace carafe::brand::test {

// Where makePe puts its sections.
constexpr std::uint32_t HEADERS_SIZE = 0x200;  // just what the headers need
constexpr std::uint32_t TEXT_RVA = 0x1000;
constexpr std::uint32_t TEXT_OFFSET = HEADERS_SIZE;
constexpr std::uint32_t RESOURCE_RVA = 0x2000;
constexpr std::uint32_t RESOURCE_OFFSET = 0x400;
constexpr std::size_t PE_HEADER = 0x80;
constexpr std::size_t OPTIONAL_HEADER = PE_HEADER + 24;

// The start of a PNG stream (signature and header chunk) of that size.
Bytes pngImage(std::uint32_t width, std::uint32_t height);
// A bitmap as icons hold it: the header counts colour and mask rows.
Bytes bitmapImage(std::int32_t width, std::int32_t height);
// An .ico file of these images, in this order, after the directory.
Bytes icoFile(const std::vector<IconImage>& images);
IconImage image(std::uint8_t size, Bytes data);

// The version information and manifest of an unbranded launcher, or of a
// program whose version information names another product.
std::vector<Resource> launcherResources(const std::string& product = "carafe",
                                        const std::string& version = "1.0.7");
Resource manifestResource();

struct PeShape {
  bool pe32Plus = true;
  std::vector<Resource> resources = launcherResources();
  bool relocations = true;  // a .reloc section after the resources
  Bytes trailer;            // bytes after the last section, a symbol table
  Bytes certificate;        // a signature appended at the end
};

// A small exe: .text, .rsrc and .reloc, laid out as ld does.
Bytes makePe(const PeShape& shape);

std::uint32_t read32(const Bytes& bytes, std::size_t offset);
std::uint16_t read16(const Bytes& bytes, std::size_t offset);

}  // namespace carafe::brand::test
