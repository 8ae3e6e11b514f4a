// Icons: the images of an .ico file, and the RT_GROUP_ICON resource that
// lists them in an exe.
#pragma once

#include <cstdint>
#include <vector>

#include "brand/bytes.h"

namespace carafe::brand {

constexpr unsigned MAX_ICON_PIXELS = 256;

// One image as the .ico file's directory describes it; width and height are
// stored as there, where 0 means 256.
struct IconImage {
  std::uint8_t width = 0;
  std::uint8_t height = 0;
  std::uint8_t colorCount = 0;
  std::uint8_t reserved = 0;
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  Bytes data;  // a PNG stream, or a bitmap without its file header
};

// The images of an .ico file, in the file's order. Throws BrandError for a
// file that is no .ico (saying how to make one), holds no image, or whose
// images lie outside it or are larger than 256 pixels.
std::vector<IconImage> readIcon(const Bytes& file);

// The RT_GROUP_ICON data for images stored as RT_ICON firstId, firstId + 1, ...
Bytes groupIconResource(const std::vector<IconImage>& images, std::uint16_t firstId);

}  // namespace carafe::brand
