#include "brand/resource_tree.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

namespace carafe::brand {

namespace {

constexpr std::uint32_t HIGH_BIT = 0x80000000u;
constexpr std::size_t DIRECTORY_SIZE = 16;
constexpr std::size_t ENTRY_SIZE = 8;
constexpr std::size_t DATA_ENTRY_SIZE = 16;
constexpr int LEVELS = 3;  // type, name, language
constexpr std::uint64_t MAX_TREE_SIZE = 0x7FFFFFFF;

[[noreturn]] void corrupt(const std::string& what) {
  throw BrandError("its resources are corrupt: " + what);
}

class TreeReader {
 public:
  TreeReader(const ByteView& section, std::uint32_t sectionRva)
      : section_(section), sectionRva_(sectionRva) {}

  std::vector<Resource> read() {
    Resource path;
    readDirectory(0, 0, path);
    return std::move(resources_);
  }

 private:
  void readDirectory(std::uint32_t offset, int level, Resource& path) {
    if (!visited_.insert(offset).second) {
      corrupt("the directory at offset " + hex(offset) + " is reached twice");
    }
    if (!section_.contains(offset, DIRECTORY_SIZE)) {
      corrupt("a directory at offset " + hex(offset) + " lies outside the resource section");
    }
    const std::size_t count =
        static_cast<std::size_t>(section_.u16(offset + 12)) + section_.u16(offset + 14);
    if (!section_.contains(offset + DIRECTORY_SIZE, count * ENTRY_SIZE)) {
      corrupt("the directory at offset " + hex(offset) + " has " + std::to_string(count) +
              " entries, more than fit in the resource section");
    }
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint64_t entry = offset + DIRECTORY_SIZE + i * ENTRY_SIZE;
      ResourceKey key = readKey(section_.u32(entry));
      const std::uint32_t target = section_.u32(entry + 4);
      ResourceKey& slot = level == 0 ? path.type : level == 1 ? path.name : path.language;
      slot = std::move(key);
      const bool isDirectory = (target & HIGH_BIT) != 0;
      if (level + 1 < LEVELS) {
        if (!isDirectory) corrupt("the tree is not three levels deep (type, name, language)");
        readDirectory(target & ~HIGH_BIT, level + 1, path);
      } else {
        if (isDirectory) corrupt("the tree is not three levels deep (type, name, language)");
        readData(target, path);
      }
    }
  }

  ResourceKey readKey(std::uint32_t field) const {
    if ((field & HIGH_BIT) == 0) return ResourceKey::of(field);
    const std::uint32_t offset = field & ~HIGH_BIT;
    if (!section_.contains(offset, 2)) corrupt("a resource's name lies outside the section");
    const std::size_t length = section_.u16(offset);
    if (!section_.contains(offset + 2, 2 * length)) {
      corrupt("a resource's name runs beyond the section");
    }
    std::u16string name;
    for (std::size_t i = 0; i < length; ++i) {
      name += static_cast<char16_t>(section_.u16(offset + 2 + 2 * i));
    }
    return ResourceKey::of(std::move(name));
  }

  void readData(std::uint32_t offset, const Resource& path) {
    if (!section_.contains(offset, DATA_ENTRY_SIZE)) {
      corrupt("a data entry at offset " + hex(offset) + " lies outside the resource section");
    }
    const std::uint32_t rva = section_.u32(offset);
    const std::uint32_t size = section_.u32(offset + 4);
    if (rva < sectionRva_ || !section_.contains(rva - sectionRva_, size)) {
      corrupt("a resource's data (" + std::to_string(size) + " bytes at RVA " + hex(rva) +
              ") lies outside the resource section");
    }
    // Leaves may share a data entry; their data together cannot be larger
    // than the section unless they overlap, which no resource compiler does.
    dataTotal_ += size;
    if (dataTotal_ > section_.size()) corrupt("resources share or overlap their data");
    Resource resource = path;
    resource.codePage = section_.u32(offset + 8);
    resource.data = section_.copy(rva - sectionRva_, size);
    resources_.push_back(std::move(resource));
  }

  const ByteView& section_;
  const std::uint32_t sectionRva_;
  std::set<std::uint32_t> visited_;
  std::uint64_t dataTotal_ = 0;
  std::vector<Resource> resources_;
};

bool sameKeys(const Resource& a, const Resource& b) {
  return a.type == b.type && a.name == b.name && a.language == b.language;
}

bool keysLess(const Resource& a, const Resource& b) {
  if (!(a.type == b.type)) return a.type < b.type;
  if (!(a.name == b.name)) return a.name < b.name;
  return a.language < b.language;
}

struct Directory {
  ResourceKey key;
  std::vector<std::size_t> children;  // indices of directories, or of resources at the last level
  std::uint32_t offset = 0;
};

// The resources' tree as directories: the root, every type's, every name's.
struct Layout {
  Directory root;
  std::vector<Directory> types;
  std::vector<Directory> names;
};

Layout groupResources(const std::vector<Resource>& resources) {
  Layout layout;
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const Resource& resource = resources[i];
    if (layout.types.empty() || !(layout.types.back().key == resource.type)) {
      layout.root.children.push_back(layout.types.size());
      layout.types.push_back(Directory{resource.type, {}, 0});
    }
    Directory& type = layout.types.back();
    if (type.children.empty() || !(layout.names.back().key == resource.name)) {
      type.children.push_back(layout.names.size());
      layout.names.push_back(Directory{resource.name, {}, 0});
    }
    layout.names.back().children.push_back(i);
  }
  return layout;
}

std::size_t namedCount(const std::vector<const ResourceKey*>& keys) {
  return static_cast<std::size_t>(
      std::count_if(keys.begin(), keys.end(), [](const ResourceKey* key) { return key->named; }));
}

class TreeWriter {
 public:
  TreeWriter(const std::vector<Resource>& resources, std::uint32_t sectionRva)
      : resources_(resources), sectionRva_(sectionRva), layout_(groupResources(resources)) {}

  Bytes write() {
    // Every directory first, breadth first: the root, the types', the names'.
    std::uint64_t cursor = DIRECTORY_SIZE + ENTRY_SIZE * layout_.types.size();
    for (Directory& type : layout_.types) {
      type.offset = static_cast<std::uint32_t>(cursor);
      cursor += DIRECTORY_SIZE + ENTRY_SIZE * type.children.size();
    }
    for (Directory& name : layout_.names) {
      name.offset = static_cast<std::uint32_t>(cursor);
      cursor += DIRECTORY_SIZE + ENTRY_SIZE * name.children.size();
    }
    // Then the names, each a length and UTF-16 code units.
    for (const Directory& type : layout_.types) placeName(type.key, cursor);
    for (const Directory& name : layout_.names) placeName(name.key, cursor);
    for (const Resource& resource : resources_) placeName(resource.language, cursor);
    // Then the data entries, then the data.
    dataEntries_ = alignUp(cursor, 8);
    cursor = dataEntries_ + DATA_ENTRY_SIZE * resources_.size();
    std::vector<std::uint64_t> dataOffsets;
    for (const Resource& resource : resources_) {
      cursor = alignUp(cursor, 8);
      dataOffsets.push_back(cursor);
      cursor += resource.data.size();
    }
    if (cursor + sectionRva_ > MAX_TREE_SIZE) throw BrandError("the resources are too large");

    out_.assign(static_cast<std::size_t>(cursor), 0);
    writeDirectory(0, keysOf(layout_.root.children, layout_.types), layout_.root.children,
                   [&](std::size_t i) { return HIGH_BIT | layout_.types[i].offset; });
    for (const Directory& type : layout_.types) {
      writeDirectory(type.offset, keysOf(type.children, layout_.names), type.children,
                     [&](std::size_t i) { return HIGH_BIT | layout_.names[i].offset; });
    }
    for (const Directory& name : layout_.names) {
      std::vector<const ResourceKey*> languages;
      for (std::size_t i : name.children) languages.push_back(&resources_[i].language);
      writeDirectory(name.offset, languages, name.children, [&](std::size_t i) {
        return static_cast<std::uint32_t>(dataEntries_ + DATA_ENTRY_SIZE * i);
      });
    }
    for (const auto& [name, offset] : names_) {
      put16(out_, offset, static_cast<std::uint16_t>(name.size()));
      for (std::size_t i = 0; i < name.size(); ++i) put16(out_, offset + 2 + 2 * i, name[i]);
    }
    for (std::size_t i = 0; i < resources_.size(); ++i) {
      const std::size_t entry = static_cast<std::size_t>(dataEntries_ + DATA_ENTRY_SIZE * i);
      put32(out_, entry, static_cast<std::uint32_t>(sectionRva_ + dataOffsets[i]));
      put32(out_, entry + 4, static_cast<std::uint32_t>(resources_[i].data.size()));
      put32(out_, entry + 8, resources_[i].codePage);
      std::copy(resources_[i].data.begin(), resources_[i].data.end(),
                out_.begin() + static_cast<std::ptrdiff_t>(dataOffsets[i]));
    }
    return std::move(out_);
  }

 private:
  static std::vector<const ResourceKey*> keysOf(const std::vector<std::size_t>& children,
                                                const std::vector<Directory>& directories) {
    std::vector<const ResourceKey*> keys;
    for (std::size_t i : children) keys.push_back(&directories[i].key);
    return keys;
  }

  void placeName(const ResourceKey& key, std::uint64_t& cursor) {
    if (!key.named || names_.count(key.name) != 0) return;
    if (key.name.size() > 0xFFFF) throw BrandError("a resource's name is too long");
    names_[key.name] = static_cast<std::size_t>(cursor);
    cursor += 2 + 2 * key.name.size();
  }

  template <typename Target>
  void writeDirectory(std::uint32_t offset, const std::vector<const ResourceKey*>& keys,
                      const std::vector<std::size_t>& children, Target target) {
    const std::size_t named = namedCount(keys);
    put16(out_, offset + 12, static_cast<std::uint16_t>(named));
    put16(out_, offset + 14, static_cast<std::uint16_t>(keys.size() - named));
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const std::size_t entry = offset + DIRECTORY_SIZE + ENTRY_SIZE * i;
      const ResourceKey& key = *keys[i];
      put32(out_, entry,
            key.named ? HIGH_BIT | static_cast<std::uint32_t>(names_.at(key.name)) : key.id);
      put32(out_, entry + 4, target(children[i]));
    }
  }

  const std::vector<Resource>& resources_;
  const std::uint32_t sectionRva_;
  Layout layout_;
  std::map<std::u16string, std::size_t> names_;
  std::uint64_t dataEntries_ = 0;
  Bytes out_;
};

}  // namespace

bool operator==(const ResourceKey& a, const ResourceKey& b) {
  return a.named == b.named && (a.named ? a.name == b.name : a.id == b.id);
}

bool operator<(const ResourceKey& a, const ResourceKey& b) {
  if (a.named != b.named) return a.named;
  return a.named ? a.name < b.name : a.id < b.id;
}

std::vector<Resource> readResourceTree(const ByteView& section, std::uint32_t sectionRva) {
  std::vector<Resource> resources = TreeReader(section, sectionRva).read();
  std::stable_sort(resources.begin(), resources.end(), keysLess);
  if (std::adjacent_find(resources.begin(), resources.end(), sameKeys) != resources.end()) {
    corrupt("one resource is listed twice");
  }
  return resources;
}

Bytes writeResourceTree(std::vector<Resource> resources, std::uint32_t sectionRva) {
  std::stable_sort(resources.begin(), resources.end(), keysLess);
  if (std::adjacent_find(resources.begin(), resources.end(), sameKeys) != resources.end()) {
    throw BrandError("two resources have the same type, name and language");
  }
  for (const Resource& resource : resources) {
    // IDs are 31 bits wide: the top bit of an entry marks a name.
    for (const ResourceKey* key : {&resource.type, &resource.name, &resource.language}) {
      if (!key->named && (key->id & HIGH_BIT) != 0) throw BrandError("a resource ID is too large");
    }
  }
  return TreeWriter(resources, sectionRva).write();
}

}  // namespace carafe::brand
