// The resource tree: reading what a resource compiler wrote, writing it in
// the order Windows searches.
#include "brand/resource_tree.h"

#include <gtest/gtest.h>

#include "synthetic.h"

namespace carafe::brand {
namespace {

using test::read16;
using test::read32;

constexpr std::uint32_t RVA = 0x3B000;

Resource resource(ResourceKey type, ResourceKey name, ResourceKey language, Bytes data) {
  return Resource{std::move(type), std::move(name), std::move(language), 0, std::move(data)};
}

Resource byId(std::uint32_t type, std::uint32_t name, Bytes data = {1, 2, 3}) {
  return resource(ResourceKey::of(type), ResourceKey::of(name), ResourceKey::of(0x409),
                  std::move(data));
}

TEST(ResourceTree, WritesOneResourceAsThreeDirectoriesAnEntryAndItsData) {
  const Bytes tree = writeResourceTree({byId(RT_VERSION, 1, {0xAA, 0xBB, 0xCC, 0xDD})}, RVA);
  const Bytes expected = {
      // 0x00 root: no named entry, one ID entry: type 16, subdirectory at 0x18
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 16, 0, 0, 0, 0x18, 0, 0, 0x80,
      // 0x18 type 16: name 1, subdirectory at 0x30
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0x30, 0, 0, 0x80,
      // 0x30 name 1: language 0x409, data entry at 0x48
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0x09, 0x04, 0, 0, 0x48, 0, 0, 0,
      // 0x48 data entry: RVA 0x3B058, 4 bytes, code page 0
      0x58, 0xB0, 0x03, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      // 0x58 the data
      0xAA, 0xBB, 0xCC, 0xDD};
  EXPECT_EQ(tree, expected);
}

TEST(ResourceTree, PutsNamedEntriesFirstByNameThenIdsAscending) {
  const Bytes tree = writeResourceTree(
      {byId(RT_MANIFEST, 1),
       resource(ResourceKey::of(u"ZED"), ResourceKey::of(1), ResourceKey::of(0), {1}),
       byId(RT_ICON, 2), byId(RT_ICON, 1),
       resource(ResourceKey::of(u"ABC"), ResourceKey::of(1), ResourceKey::of(0), {2}),
       byId(RT_VERSION, 1)},
      RVA);
  ASSERT_EQ(read16(tree, 12), 2u);  // named
  ASSERT_EQ(read16(tree, 14), 3u);  // IDs
  const auto nameAt = [&](std::size_t entry) {
    const std::uint32_t field = read32(tree, 16 + 8 * entry);
    EXPECT_NE(field & 0x80000000u, 0u);
    const std::size_t at = field & 0x7FFFFFFFu;
    std::u16string name;
    for (std::size_t i = 0; i < read16(tree, at); ++i) {
      name += static_cast<char16_t>(read16(tree, at + 2 + 2 * i));
    }
    return name;
  };
  EXPECT_EQ(nameAt(0), u"ABC");
  EXPECT_EQ(nameAt(1), u"ZED");
  EXPECT_EQ(read32(tree, 16 + 8 * 2), RT_ICON);
  EXPECT_EQ(read32(tree, 16 + 8 * 3), RT_VERSION);
  EXPECT_EQ(read32(tree, 16 + 8 * 4), RT_MANIFEST);
  // The icons' names under their type: 1, then 2.
  const std::size_t icons = read32(tree, 16 + 8 * 2 + 4) & 0x7FFFFFFFu;
  EXPECT_EQ(read32(tree, icons + 16), 1u);
  EXPECT_EQ(read32(tree, icons + 24), 2u);
}

TEST(ResourceTree, ReadsBackWhatItWroteInTheWritersOrder) {
  const std::vector<Resource> resources = {
      byId(RT_VERSION, 1, Bytes(13, 9)),
      resource(ResourceKey::of(u"TYPE"), ResourceKey::of(u"NAME"), ResourceKey::of(u"LANG"),
               {4, 5}),
      byId(RT_ICON, 7, {}),
      resource(ResourceKey::of(RT_MANIFEST), ResourceKey::of(1), ResourceKey::of(0x407), {6}),
  };
  const std::vector<Resource> read =
      readResourceTree(ByteView(writeResourceTree(resources, RVA), "the tree"), RVA);
  const std::vector<std::size_t> order = {1, 2, 0, 3};
  ASSERT_EQ(read.size(), resources.size());
  for (std::size_t i = 0; i < read.size(); ++i) {
    SCOPED_TRACE(i);
    const Resource& expected = resources[order[i]];
    EXPECT_TRUE(read[i].type == expected.type);
    EXPECT_TRUE(read[i].name == expected.name);
    EXPECT_TRUE(read[i].language == expected.language);
    EXPECT_EQ(read[i].data, expected.data);
  }
}

TEST(ResourceTree, RefusesTwoResourcesWithTheSameKeys) {
  EXPECT_THROW(writeResourceTree({byId(RT_ICON, 1), byId(RT_ICON, 1)}, RVA), BrandError);
}

struct Corruption {
  const char* name;
  std::size_t offset;  // in the one-resource tree above
  std::uint32_t value;
  std::string message;
};

void PrintTo(const Corruption& corruption, std::ostream* out) { *out << corruption.name; }

class ResourceTreeCorruption : public testing::TestWithParam<Corruption> {};

TEST_P(ResourceTreeCorruption, IsRefusedWithWhatIsWrong) {
  Bytes tree = writeResourceTree({byId(RT_VERSION, 1, {0xAA, 0xBB, 0xCC, 0xDD})}, RVA);
  put32(tree, GetParam().offset, GetParam().value);
  try {
    readResourceTree(ByteView(tree, "the resource section"), RVA);
    FAIL() << "accepted";
  } catch (const BrandError& error) {
    EXPECT_EQ(error.what(), "its resources are corrupt: " + GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResourceTreeCorruption,
    testing::Values(
        Corruption{"Loop", 0x18 + 20, 0x80000000u, "the directory at offset 0x0 is reached twice"},
        Corruption{"DirectoryOutside", 20, 0x80001000u,
                   "a directory at offset 0x1000 lies outside the resource section"},
        Corruption{"TooManyEntries", 12, 0x00000100u,
                   "the directory at offset 0x0 has 256 entries, more than fit in the resource "
                   "section"},
        Corruption{"LeafTooHigh", 0x18 + 20, 0x48,
                   "the tree is not three levels deep (type, name, language)"},
        Corruption{"TreeTooDeep", 0x30 + 20, 0x80000018u,
                   "the tree is not three levels deep (type, name, language)"},
        Corruption{"NameOutside", 0x18 + 16, 0x80007000u,
                   "a resource's name lies outside the section"},
        Corruption{"DataEntryOutside", 0x30 + 20, 0x5C,
                   "a data entry at offset 0x5c lies outside the resource section"},
        Corruption{"DataBelowTheSection", 0x48, RVA - 4,
                   "a resource's data (4 bytes at RVA 0x3affc) lies outside the resource section"},
        Corruption{
            "DataTooLong", 0x4C, 5,
            "a resource's data (5 bytes at RVA 0x3b058) lies outside the resource section"}));

TEST(ResourceTree, RefusesAResourceListedTwice) {
  // The root's second type, 24, becomes a second 16 with the same name and language.
  Bytes tree = writeResourceTree({byId(RT_VERSION, 1), byId(RT_MANIFEST, 1)}, RVA);
  put32(tree, 16 + 8, RT_VERSION);
  try {
    readResourceTree(ByteView(tree, "the tree"), RVA);
    FAIL() << "accepted";
  } catch (const BrandError& error) {
    EXPECT_STREQ(error.what(), "its resources are corrupt: one resource is listed twice");
  }
}

}  // namespace
}  // namespace carafe::brand
