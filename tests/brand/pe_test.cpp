// Replacing the resource section of PE32 and PE32+ exes, and the checksum.
#include "brand/pe.h"

#include <gtest/gtest.h>

#include <functional>

#include "synthetic.h"

namespace carafe::brand {
namespace {

using test::makePe;
using test::OPTIONAL_HEADER;
using test::PE_HEADER;
using test::PeShape;
using test::read32;
using test::RESOURCE_OFFSET;
using test::RESOURCE_RVA;

struct ChecksumCase {
  const char* name;
  Bytes file;
  std::size_t checksumOffset;
  std::uint32_t checksum;
};

TEST(PeChecksum, AddsWordsWithTheCarryFoldedInThenTheLength) {
  const ChecksumCase cases[] = {
      {"words", {0x01, 0x02, 0x03, 0x04}, 100, 0x0201 + 0x0403 + 4},
      {"odd length, a zero byte after", {0x01, 0x02, 0x05}, 100, 0x0201 + 0x0005 + 3},
      {"carry folded back", {0xFF, 0xFF, 0x02, 0x00}, 100, 0x0002 + 4},
      {"the checksum field counts as zero",
       {0x01, 0x00, 0xAA, 0xBB, 0xCC, 0xDD, 0x02, 0x00},
       2,
       0x0003 + 8},
      {"a field at an odd offset", {0x01, 0xAA, 0xBB, 0xCC, 0xDD, 0x00}, 1, 0x0001 + 6},
      {"nothing", {}, 0, 0},
  };
  for (const ChecksumCase& item : cases) {
    EXPECT_EQ(peChecksum(item.file, item.checksumOffset), item.checksum) << item.name;
  }
}

struct Rewrite {
  bool pe32Plus;
  std::size_t resourceSize;
};

void PrintTo(const Rewrite& rewrite, std::ostream* out) {
  *out << (rewrite.pe32Plus ? "PE32+" : "PE32") << " with " << rewrite.resourceSize
       << " bytes of resources";
}

class ResourceReplacement : public testing::TestWithParam<Rewrite> {};

// The synthetic exe's resources take 0x200 bytes in the file and one page.
TEST_P(ResourceReplacement, MovesTheSectionsAfterAndFixesTheHeaders) {
  PeShape shape;
  shape.pe32Plus = GetParam().pe32Plus;
  const Bytes input = makePe(shape);
  const PeImage before = readPe(input);
  const Bytes resources(GetParam().resourceSize, 0x77);
  const Bytes output = replaceResources(input, before, resources);

  const PeImage after = readPe(output);
  const std::uint32_t raw = static_cast<std::uint32_t>(alignUp(resources.size(), 0x200));
  const std::uint32_t relocation =
      static_cast<std::uint32_t>(alignUp(RESOURCE_RVA + resources.size(), 0x1000));
  ASSERT_EQ(after.sections.size(), 3u);
  const Section& rsrc = after.sections[1];
  const Section& reloc = after.sections[2];
  EXPECT_EQ(rsrc.virtualAddress, RESOURCE_RVA);
  EXPECT_EQ(rsrc.virtualSize, resources.size());
  EXPECT_EQ(rsrc.sizeOfRawData, raw);
  EXPECT_EQ(rsrc.pointerToRawData, RESOURCE_OFFSET);
  EXPECT_EQ(reloc.virtualAddress, relocation);
  EXPECT_EQ(reloc.pointerToRawData, RESOURCE_OFFSET + raw);
  EXPECT_EQ(reloc.sizeOfRawData, 0x200u);
  EXPECT_EQ(after.directories[DIRECTORY_RESOURCE].address, RESOURCE_RVA);
  EXPECT_EQ(after.directories[DIRECTORY_RESOURCE].size, resources.size());
  EXPECT_EQ(after.directories[DIRECTORY_BASE_RELOCATION].address, relocation);
  EXPECT_EQ(after.directories[DIRECTORY_BASE_RELOCATION].size, 12u);
  EXPECT_EQ(read32(output, OPTIONAL_HEADER + 56), relocation + 0x1000);  // SizeOfImage
  EXPECT_EQ(read32(output, OPTIONAL_HEADER + 8), raw + 0x200);           // SizeOfInitializedData
  EXPECT_EQ(read32(output, after.checksumOffset()), peChecksum(output, after.checksumOffset()));
  EXPECT_NE(read32(output, after.checksumOffset()), 0u);
  ASSERT_EQ(output.size(), RESOURCE_OFFSET + raw + 0x200);

  // The headers before the sections, the code and the relocations are as they were.
  const auto same = [&](std::size_t from, std::size_t to, std::size_t length) {
    return std::equal(input.begin() + static_cast<std::ptrdiff_t>(from),
                      input.begin() + static_cast<std::ptrdiff_t>(from + length),
                      output.begin() + static_cast<std::ptrdiff_t>(to));
  };
  EXPECT_TRUE(same(0, 0, OPTIONAL_HEADER + 8));
  EXPECT_TRUE(same(test::TEXT_OFFSET, test::TEXT_OFFSET, 0x200));
  EXPECT_TRUE(same(before.sections[2].pointerToRawData, reloc.pointerToRawData, 0x200));
  EXPECT_TRUE(std::equal(resources.begin(), resources.end(), output.begin() + RESOURCE_OFFSET));
}

INSTANTIATE_TEST_SUITE_P(BothKinds, ResourceReplacement,
                         testing::Values(Rewrite{true, 0x10}, Rewrite{true, 0x200},
                                         Rewrite{true, 0x2345}, Rewrite{false, 0x10},
                                         Rewrite{false, 0x1001}, Rewrite{false, 0x5000}));

TEST(ResourceReplacement, DropsTheSignature) {
  PeShape shape;
  shape.certificate = Bytes(24, 0x5C);
  const Bytes input = makePe(shape);
  const Bytes output = replaceResources(input, readPe(input), Bytes(0x300, 1));
  const PeImage after = readPe(output);
  EXPECT_EQ(after.directories[DIRECTORY_CERTIFICATE].address, 0u);
  EXPECT_EQ(after.directories[DIRECTORY_CERTIFICATE].size, 0u);
  EXPECT_EQ(output.size(), after.imageEnd);
}

TEST(ResourceReplacement, MovesTheSymbolTableAndWhatFollowsTheSections) {
  PeShape shape;
  shape.trailer = {'s', 'y', 'm', 'b', 'o', 'l', 's'};
  const Bytes input = makePe(shape);
  const Bytes output = replaceResources(input, readPe(input), Bytes(0x500, 1));
  const std::uint32_t symbols = read32(output, PE_HEADER + 12);
  EXPECT_EQ(symbols,
            read32(input, PE_HEADER + 12) + 0x600 - readPe(input).sections[1].sizeOfRawData);
  EXPECT_EQ(Bytes(output.begin() + symbols, output.end()), shape.trailer);
}

struct Refusal {
  const char* name;
  std::function<void(Bytes&)> damage;
  std::string message;
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

constexpr std::size_t DIRECTORIES = OPTIONAL_HEADER + 112;
constexpr std::size_t SECTIONS = OPTIONAL_HEADER + 0xF0;
constexpr std::size_t RELOC_HEADER = SECTIONS + 80;

class PeRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(PeRefusal, SaysWhatIsWrong) {
  Bytes file = makePe(PeShape());
  GetParam().damage(file);
  try {
    replaceResources(file, readPe(file), Bytes(0x1800, 1));
    FAIL() << "accepted";
  } catch (const BrandError& error) {
    EXPECT_EQ(error.what(), GetParam().message);
  }
}

const std::string CORRUPT = "is truncated or corrupt: ";
const std::string LAYOUT = "has a layout that carafe-brand cannot rewrite: ";

INSTANTIATE_TEST_SUITE_P(
    Headers, PeRefusal,
    testing::Values(
        Refusal{"NotMz", [](Bytes& f) { f[0] = 'X'; },
                "is not a Windows executable (it does not begin with \"MZ\")"},
        Refusal{"OnlyMz", [](Bytes& f) { f.resize(2); }, CORRUPT + "it ends inside its DOS header"},
        Refusal{"PeHeaderBeyondTheEnd", [](Bytes& f) { put32(f, 0x3C, 0x10000); },
                CORRUPT + "its PE header at offset 0x10000 lies beyond the end of the file"},
        Refusal{"NoPeSignature", [](Bytes& f) { f[PE_HEADER] = 'N'; },
                "is not a PE executable (an MZ file without the \"PE\" signature)"},
        Refusal{"NoSections", [](Bytes& f) { put16(f, PE_HEADER + 6, 0); },
                CORRUPT + "it has 0 sections"},
        Refusal{"UnknownMagic", [](Bytes& f) { put16(f, OPTIONAL_HEADER, 0x107); },
                CORRUPT + "its optional header has the unknown magic number 0x107"},
        Refusal{"TooManyDirectories", [](Bytes& f) { put32(f, DIRECTORIES - 4, 17); },
                CORRUPT + "its optional header lists 17 data directories"},
        Refusal{"SmallFileAlignment", [](Bytes& f) { put32(f, OPTIONAL_HEADER + 36, 0x100); },
                LAYOUT + "the file alignment 0x100 and section alignment 0x1000"},
        Refusal{"SectionTableBeyondTheHeaders",
                [](Bytes& f) { put32(f, OPTIONAL_HEADER + 60, 0x180); },
                CORRUPT + "its section table lies beyond its headers or the end of the file"},
        Refusal{"Truncated", [](Bytes& f) { f.resize(f.size() - 0x100); },
                CORRUPT + "section \".reloc\"'s data ends beyond the end of the file"},
        Refusal{"SectionsOverlap", [](Bytes& f) { put32(f, RELOC_HEADER + 12, RESOURCE_RVA); },
                CORRUPT + "section \".reloc\" is not aligned or overlaps the one before it in "
                          "memory"},
        Refusal{"NoResources", [](Bytes& f) { put32(f, DIRECTORIES + 16, 0); },
                "has no resources (no version information, no manifest)"},
        Refusal{"ResourcesInsideASection",
                [](Bytes& f) { put32(f, DIRECTORIES + 16, RESOURCE_RVA + 0x10); },
                LAYOUT + "its resources (at RVA 0x2010) do not begin a section of their own"}));

INSTANTIATE_TEST_SUITE_P(
    Layout, PeRefusal,
    testing::Values(
        Refusal{"ImportsAfterTheResources",
                [](Bytes& f) {
                  put32(f, DIRECTORIES + 8, read32(f, RELOC_HEADER + 12));
                  put32(f, DIRECTORIES + 12, 8);
                },
                LAYOUT + "its import directory lies in or after the resources"},
        Refusal{"RelocationOfTheResources",
                [](Bytes& f) { put32(f, read32(f, RELOC_HEADER + 20), RESOURCE_RVA); },
                LAYOUT + "a base relocation patches RVA 0x2008, at or above the resources, which "
                         "move"},
        Refusal{"DataAfterTheSignature",
                [](Bytes& f) {
                  put32(f, DIRECTORIES + 32, static_cast<std::uint32_t>(f.size()));
                  put32(f, DIRECTORIES + 36, 8);
                  f.resize(f.size() + 16, 1);
                },
                LAYOUT + "data follows its signature"},
        Refusal{"SignatureInsideTheImage",
                [](Bytes& f) {
                  put32(f, DIRECTORIES + 32, 0x400);
                  put32(f, DIRECTORIES + 36, 8);
                },
                CORRUPT + "its signature does not lie after its sections' data"}));

}  // namespace
}  // namespace carafe::brand
