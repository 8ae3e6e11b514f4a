#include "brand/icon.h"

#include <cstring>
#include <string>

namespace carafe::brand {

namespace {

constexpr std::size_t ICONDIR_SIZE = 6;
constexpr std::size_t ICONDIRENTRY_SIZE = 16;
constexpr std::size_t GRPICONDIRENTRY_SIZE = 14;
constexpr std::uint8_t PNG_SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

const char* const HOW_TO_MAKE_ONE =
    "; make an .ico from PNG files, e.g. with ImageMagick: \"magick icon-16.png icon-32.png "
    "icon-48.png icon-256.png app.ico\", or with icoutils: \"icotool -c -o app.ico icon-*.png\"";

bool startsWith(const Bytes& file, const void* prefix, std::size_t length) {
  return file.size() >= length && std::memcmp(file.data(), prefix, length) == 0;
}

// What a file that is no .ico seems to be, for the message.
const char* imageKind(const Bytes& file) {
  if (startsWith(file, PNG_SIGNATURE, sizeof PNG_SIGNATURE)) return "a PNG image";
  if (startsWith(file, "BM", 2)) return "a BMP image";
  if (startsWith(file, "\xFF\xD8\xFF", 3)) return "a JPEG image";
  if (startsWith(file, "GIF8", 4)) return "a GIF image";
  return nullptr;
}

std::uint32_t bigEndian32(const ByteView& view, std::size_t offset) {
  const std::uint8_t* p = view.at(offset, 4);
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

// BITMAPINFOHEADER and its later versions.
bool isBitmapHeaderSize(std::uint32_t size) {
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

std::string pixels(std::uint64_t width, std::uint64_t height) {
  return std::to_string(width) + "x" + std::to_string(height) + " pixels";
}

// The image's own size (its PNG header or bitmap header), which must be at
// most 256 pixels either way.
void checkImage(const ByteView& image, const std::string& which) {
  std::uint64_t width = 0;
  std::uint64_t height = 0;
  if (image.size() >= sizeof PNG_SIGNATURE &&
      std::memcmp(image.data(), PNG_SIGNATURE, sizeof PNG_SIGNATURE) == 0) {
    // The IHDR chunk comes first: length, "IHDR", width, height (big-endian).
    if (image.size() < 24 || std::memcmp(image.data() + 12, "IHDR", 4) != 0) {
      throw BrandError(which + " is a truncated PNG image (it has no header chunk)");
    }
    width = bigEndian32(image, 16);
    height = bigEndian32(image, 20);
  } else if (image.size() >= 4 && isBitmapHeaderSize(image.u32(0))) {
    // The height counts the colour and the mask bitmaps together.
    if (image.size() < 40) throw BrandError(which + " is a truncated bitmap");
    const std::int32_t w = static_cast<std::int32_t>(image.u32(4));
    const std::int32_t h = static_cast<std::int32_t>(image.u32(8));
    if (w <= 0 || h == 0) throw BrandError(which + " is a bitmap without a size");
    width = static_cast<std::uint64_t>(w);
    height = static_cast<std::uint64_t>(h < 0 ? -static_cast<std::int64_t>(h) : h) / 2;
  } else {
    throw BrandError(which + " is neither a PNG image nor a bitmap");
  }
  if (width == 0 || height == 0) throw BrandError(which + " has no pixels");
  if (width > MAX_ICON_PIXELS || height > MAX_ICON_PIXELS) {
    throw BrandError(which + " is " + pixels(width, height) +
                     "; icons are at most 256x256 pixels: make the .ico from smaller pictures");
  }
}

}  // namespace

std::vector<IconImage> readIcon(const Bytes& file) {
  const ByteView view(file, "the file");
  if (const char* kind = imageKind(file)) {
    throw BrandError(std::string("is ") + kind + ", not an .ico file" + HOW_TO_MAKE_ONE);
  }
  if (file.size() < ICONDIR_SIZE || view.u16(0) != 0 || (view.u16(2) != 1 && view.u16(2) != 2)) {
    throw BrandError(std::string("is not an .ico file") + HOW_TO_MAKE_ONE);
  }
  if (view.u16(2) == 2) {
    throw BrandError(std::string("is a cursor (.cur), not an icon") + HOW_TO_MAKE_ONE);
  }
  const std::size_t count = view.u16(4);
  if (count == 0) throw BrandError("is an .ico file without images");
  const std::size_t directoryEnd = ICONDIR_SIZE + count * ICONDIRENTRY_SIZE;
  if (directoryEnd > file.size()) {
    throw BrandError("is truncated: its directory lists " + std::to_string(count) +
                     " images, which needs " + std::to_string(directoryEnd) +
                     " bytes, but the file has " + std::to_string(file.size()));
  }

  std::vector<IconImage> images;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = ICONDIR_SIZE + i * ICONDIRENTRY_SIZE;
    const std::string which = "image " + std::to_string(i + 1) + " of " + std::to_string(count);
    const std::uint32_t size = view.u32(entry + 8);
    const std::uint32_t offset = view.u32(entry + 12);
    if (size == 0) throw BrandError(which + " is empty (its size is 0)");
    if (!view.contains(offset, size)) {
      throw BrandError(which + " lies outside the file: " + std::to_string(size) +
                       " bytes at offset " + std::to_string(offset) + ", but the file has " +
                       std::to_string(file.size()));
    }
    if (offset < directoryEnd) {
      throw BrandError(which + " overlaps the icon directory (at offset " + std::to_string(offset) +
                       ")");
    }
    checkImage(view.sub(offset, size), which);
    IconImage image;
    image.width = view.u8(entry);
    image.height = view.u8(entry + 1);
    image.colorCount = view.u8(entry + 2);
    image.reserved = view.u8(entry + 3);
    image.planes = view.u16(entry + 4);
    image.bitCount = view.u16(entry + 6);
    image.data = view.copy(offset, size);
    images.push_back(std::move(image));
  }
  return images;
}

Bytes groupIconResource(const std::vector<IconImage>& images, std::uint16_t firstId) {
  Bytes out;
  out.reserve(ICONDIR_SIZE + images.size() * GRPICONDIRENTRY_SIZE);
  append16(out, 0);
  append16(out, 1);
  append16(out, static_cast<std::uint16_t>(images.size()));
  std::uint16_t id = firstId;
  for (const IconImage& image : images) {
    out.push_back(image.width);
    out.push_back(image.height);
    out.push_back(image.colorCount);
    out.push_back(image.reserved);
    append16(out, image.planes);
    append16(out, image.bitCount);
    append32(out, static_cast<std::uint32_t>(image.data.size()));
    append16(out, id++);
  }
  return out;
}

}  // namespace carafe::brand
