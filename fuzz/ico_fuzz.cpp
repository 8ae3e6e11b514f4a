// The .ico reader over arbitrary bytes: a refusal that says something, or
// images that are exactly the bytes the directory names, which a group icon
// lists and which read back the same from an .ico made of them.
//
// Seeds: images of examples/hello/hello.ico, and a PNG header with a
// one-bit bitmap.
#include <cstdint>
#include <cstring>

#include "brand/icon.h"
#include "brand_fuzz.h"

namespace {

using carafe::brand::Bytes;
using carafe::brand::ByteView;
using carafe::brand::IconImage;
using carafe::fuzz::check;

Bytes icoOf(const std::vector<IconImage>& images) {
  Bytes out;
  carafe::brand::append16(out, 0);
  carafe::brand::append16(out, 1);
  carafe::brand::append16(out, static_cast<std::uint16_t>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (const IconImage& image : images) {
    out.insert(out.end(), {image.width, image.height, image.colorCount, image.reserved});
    carafe::brand::append16(out, image.planes);
    carafe::brand::append16(out, image.bitCount);
    carafe::brand::append32(out, static_cast<std::uint32_t>(image.data.size()));
    carafe::brand::append32(out, offset);
    offset += static_cast<std::uint32_t>(image.data.size());
  }
  for (const IconImage& image : images) out.insert(out.end(), image.data.begin(), image.data.end());
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Bytes file(data, data + size);
  std::vector<IconImage> images;
  try {
    images = carafe::brand::readIcon(file);
  } catch (const carafe::brand::BrandError& error) {
    check(std::strlen(error.what()) > 0, "a refusal without words");
    return 0;
  }
  const ByteView view(file, "the input");
  check(!images.empty() && images.size() == view.u16(4), "not every image was read");
  for (std::size_t i = 0; i < images.size(); ++i) {
    const std::size_t entry = 6 + 16 * i;
    const Bytes named = view.copy(view.u32(entry + 12), view.u32(entry + 8));
    check(images[i].data == named, "an image is not the bytes its entry names");
    check(images[i].width == view.u8(entry) && images[i].bitCount == view.u16(entry + 6),
          "an image's entry was not kept");
  }
  const Bytes group = carafe::brand::groupIconResource(images, 1);
  check(group.size() == 6 + 14 * images.size(), "a group icon of the wrong size");
  const ByteView groupView(group, "the group");
  for (std::size_t i = 0; i < images.size(); ++i) {
    check(groupView.u32(6 + 14 * i + 8) == images[i].data.size() &&
              groupView.u16(6 + 14 * i + 12) == i + 1,
          "the group lists an image wrongly");
  }
  const std::vector<IconImage> again = carafe::brand::readIcon(icoOf(images));
  check(again.size() == images.size(), "an .ico of the images reads differently");
  for (std::size_t i = 0; i < images.size(); ++i) {
    check(again[i].data == images[i].data, "an .ico of the images reads differently");
  }
  return 0;
}
