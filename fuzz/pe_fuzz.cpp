// Branding arbitrary bytes as a launcher: a refusal that says something, or
// an exe that reads back as a branded launcher with the request's resources
// and a correct checksum, whose sections before the resources are the
// input's, and which gives the same bytes when branded again.
//
// Seeds: synthetic launchers written by tests/brand's carafe_brand_sample
// (PE32+, PE32, signed, another program's), and two of them branded.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "brand/brand.h"
#include "brand/pe.h"
#include "brand_fuzz.h"

namespace {

using carafe::brand::Bytes;
using carafe::fuzz::check;
namespace brand = carafe::brand;

brand::BrandRequest makeRequest() {
  brand::BrandRequest request;
  request.outputName = "Fuzz.exe";
  request.description = "Fuzz © Jürgen";
  request.version = brand::parseVersionNumber("2.3.1");
  brand::IconImage image;
  image.width = image.height = 1;
  image.planes = 1;
  image.bitCount = 32;
  image.data = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D',
                'R',  0,   0,   0,   1,    0,    0,    0,    1, 8, 6, 0,  0,   0};
  request.icons = {image};
  return request;
}

const brand::BrandRequest REQUEST = makeRequest();

void checkBranded(const Bytes& input, const Bytes& output) {
  const brand::PeImage image = brand::readPe(output);
  check(brand::ByteView(output, "out").u32(image.checksumOffset()) ==
            brand::peChecksum(output, image.checksumOffset()),
        "a wrong checksum");
  const brand::PeImage before = brand::readPe(input);
  check(image.sections.size() == before.sections.size() && image.resources == before.resources,
        "the sections changed");
  for (std::size_t i = 0; i < image.resources; ++i) {
    const brand::Section& a = before.sections[i];
    const brand::Section& b = image.sections[i];
    check(a.virtualAddress == b.virtualAddress && a.pointerToRawData == b.pointerToRawData &&
              a.sizeOfRawData == b.sizeOfRawData &&
              std::equal(input.begin() + a.pointerToRawData,
                         input.begin() + a.pointerToRawData + a.sizeOfRawData,
                         output.begin() + b.pointerToRawData),
          "a section before the resources changed");
  }
  const std::vector<brand::Resource> resources = brand::readResourceTree(
      brand::resourceSection(output, image), image.sections[image.resources].virtualAddress);
  const brand::Launcher launcher = brand::identifyLauncher(resources);
  check(launcher.branded, "the output is not branded");
  for (const brand::Resource& resource : resources) {
    if (resource.type == brand::ResourceKey::of(brand::RT_VERSION)) {
      check(brand::readVersionStrings(brand::ByteView(resource.data, "version")) ==
                brand::brandedVersionInfo(REQUEST, launcher).strings,
            "the version information is not the request's");
    }
    if (resource.type == brand::ResourceKey::of(brand::RT_ICON)) {
      check(resource.data == REQUEST.icons[0].data, "the icon is not the request's");
    }
  }
  check(brand::brandLauncher(output, REQUEST) == output, "branding again changes the exe");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Bytes input(data, data + size);
  Bytes output;
  try {
    output = brand::brandLauncher(input, REQUEST);
  } catch (const brand::BrandError& error) {
    check(std::strlen(error.what()) > 0, "a refusal without words");
    return 0;
  }
  try {
    checkBranded(input, output);
  } catch (const brand::BrandError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    carafe::fuzz::brokenProperty("the branded exe is refused");
  }
  return 0;
}
