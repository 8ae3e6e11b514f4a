// The .ico reader and the RT_GROUP_ICON that lists an exe's icon images.
#include "brand/icon.h"

#include <gtest/gtest.h>

#include <string>

#include "synthetic.h"

namespace carafe::brand {
namespace {

using test::bitmapImage;
using test::icoFile;
using test::image;
using test::pngImage;

const std::string HOW =
    "; make an .ico from PNG files, e.g. with ImageMagick: \"magick icon-16.png icon-32.png "
    "icon-48.png icon-256.png app.ico\", or with icoutils: \"icotool -c -o app.ico icon-*.png\"";

TEST(IconReader, ReadsEveryImageWithItsDirectoryEntry) {
  std::vector<IconImage> images = {image(16, bitmapImage(16, 16)), image(32, bitmapImage(32, 32)),
                                   image(0, pngImage(256, 256))};
  images[0].colorCount = 16;
  images[0].bitCount = 4;
  const std::vector<IconImage> read = readIcon(icoFile(images));
  ASSERT_EQ(read.size(), 3u);
  for (std::size_t i = 0; i < read.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(read[i].width, images[i].width);
    EXPECT_EQ(read[i].height, images[i].height);
    EXPECT_EQ(read[i].colorCount, images[i].colorCount);
    EXPECT_EQ(read[i].planes, images[i].planes);
    EXPECT_EQ(read[i].bitCount, images[i].bitCount);
    EXPECT_EQ(read[i].data, images[i].data);
  }
}

struct Refusal {
  const char* name;
  Bytes file;
  std::string message;
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

Bytes withField32(Bytes file, std::size_t offset, std::uint32_t value) {
  put32(file, offset, value);
  return file;
}

Bytes truncated(Bytes file, std::size_t size) {
  file.resize(size);
  return file;
}

const Bytes ONE_BITMAP = icoFile({image(16, bitmapImage(16, 16))});

class IconRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(IconRefusal, SaysWhatIsWrong) {
  try {
    readIcon(GetParam().file);
    FAIL() << "accepted";
  } catch (const BrandError& error) {
    EXPECT_EQ(error.what(), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(NoIco, IconRefusal,
                         testing::Values(Refusal{"PngRenamed", pngImage(64, 64),
                                                 "is a PNG image, not an .ico file" + HOW},
                                         Refusal{"BmpRenamed", Bytes{'B', 'M', 0, 0, 0, 0},
                                                 "is a BMP image, not an .ico file" + HOW},
                                         Refusal{"Empty", Bytes{}, "is not an .ico file" + HOW},
                                         Refusal{"Text", Bytes{'h', 'e', 'l', 'l', 'o', '\n', 0, 0},
                                                 "is not an .ico file" + HOW},
                                         Refusal{"Cursor", Bytes{0, 0, 2, 0, 1, 0},
                                                 "is a cursor (.cur), not an icon" + HOW}));

INSTANTIATE_TEST_SUITE_P(
    BadIco, IconRefusal,
    testing::Values(
        Refusal{"NoImages", Bytes{0, 0, 1, 0, 0, 0}, "is an .ico file without images"},
        Refusal{"DirectoryTruncated", truncated(ONE_BITMAP, 20),
                "is truncated: its directory lists 1 images, which needs 22 bytes, but the file "
                "has 20"},
        Refusal{"ImageBeyondTheEnd", truncated(ONE_BITMAP, ONE_BITMAP.size() - 1),
                "image 1 of 1 lies outside the file: 56 bytes at offset 22, but the file has 77"},
        Refusal{"OffsetFarOutside", withField32(ONE_BITMAP, 18, 0xFFFFFFF0),
                "image 1 of 1 lies outside the file: 56 bytes at offset 4294967280, but the file "
                "has 78"},
        Refusal{"SizeZero", withField32(ONE_BITMAP, 14, 0),
                "image 1 of 1 is empty (its size is 0)"},
        Refusal{"OverlapsTheDirectory", withField32(ONE_BITMAP, 18, 2),
                "image 1 of 1 overlaps the icon directory (at offset 2)"},
        Refusal{"PngOf512", icoFile({image(0, pngImage(512, 512))}),
                "image 1 of 1 is 512x512 pixels; icons are at most 256x256 pixels: make the .ico "
                "from smaller pictures"},
        Refusal{"BitmapOf300", icoFile({image(0, bitmapImage(300, 300))}),
                "image 1 of 1 is 300x300 pixels; icons are at most 256x256 pixels: make the .ico "
                "from smaller pictures"},
        Refusal{"TruncatedPng", icoFile({image(0, truncated(pngImage(16, 16), 20))}),
                "image 1 of 1 is a truncated PNG image (it has no header chunk)"},
        Refusal{"NeitherPngNorBitmap", icoFile({image(16, Bytes(40, 7))}),
                "image 1 of 1 is neither a PNG image nor a bitmap"}));

TEST(GroupIcon, ListsEachImageIn14BytesWithItsResourceId) {
  std::vector<IconImage> images = {image(16, Bytes(0x28, 1)), image(32, Bytes(0x1234, 2)),
                                   image(0, Bytes(0x10203, 3))};
  images[0].colorCount = 16;
  images[0].bitCount = 4;
  const Bytes expected = {
      0,  0,  1,  0, 3, 0,                                 // reserved, type 1, three images
      16, 16, 16, 0, 1, 0, 4,  0, 0x28, 0,    0, 0, 5, 0,  // 16 pixels, 16 colours, RT_ICON 5
      32, 32, 0,  0, 1, 0, 32, 0, 0x34, 0x12, 0, 0, 6, 0,  // 32 pixels
      0,  0,  0,  0, 1, 0, 32, 0, 3,    2,    1, 0, 7, 0,  // 256 pixels
  };
  const Bytes group = groupIconResource(images, 5);
  EXPECT_EQ(group.size(), 48u);
  EXPECT_EQ(group, expected);
}

}  // namespace
}  // namespace carafe::brand
