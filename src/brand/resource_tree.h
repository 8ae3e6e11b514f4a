// The resource section of an exe: a tree of type, name and language, whose
// leaves are the resources' bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brand/bytes.h"

namespace carafe::brand {

constexpr std::uint32_t RT_ICON = 3;
constexpr std::uint32_t RT_GROUP_ICON = 14;
constexpr std::uint32_t RT_VERSION = 16;
constexpr std::uint32_t RT_MANIFEST = 24;
constexpr std::uint32_t LANGUAGE_US_ENGLISH = 0x0409;

// A level's key: a name, or an integer ID.
struct ResourceKey {
  bool named = false;
  std::uint32_t id = 0;
  std::u16string name;

  static ResourceKey of(std::uint32_t id) { return ResourceKey{false, id, {}}; }
  static ResourceKey of(std::u16string name) { return ResourceKey{true, 0, std::move(name)}; }
};

bool operator==(const ResourceKey& a, const ResourceKey& b);
// The order of a directory's entries: named entries first, by name, then IDs
// ascending. Windows searches the entries in this order.
bool operator<(const ResourceKey& a, const ResourceKey& b);

struct Resource {
  ResourceKey type;
  ResourceKey name;
  ResourceKey language;
  std::uint32_t codePage = 0;
  Bytes data;
};

// The resources of a resource section whose first byte is at sectionRva.
// Throws BrandError for a tree that is not three levels deep, reaches a
// directory twice, lists a resource twice, or points outside the section.
std::vector<Resource> readResourceTree(const ByteView& section, std::uint32_t sectionRva);

// A resource section at sectionRva holding these resources: every directory,
// then the names, the data entries and the data, each resource's data 8-byte
// aligned. Throws BrandError when two resources have the same keys.
Bytes writeResourceTree(std::vector<Resource> resources, std::uint32_t sectionRva);

}  // namespace carafe::brand
