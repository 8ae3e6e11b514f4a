#include "brand/pe.h"

#include <algorithm>

namespace carafe::brand {

namespace {

constexpr std::uint16_t MAGIC_PE32 = 0x10B;
constexpr std::uint16_t MAGIC_PE32_PLUS = 0x20B;
constexpr std::size_t COFF_HEADER_SIZE = 20;
constexpr std::size_t SECTION_HEADER_SIZE = 40;
constexpr std::size_t MAX_SECTIONS = 96;  // what the loader accepts
constexpr std::size_t MAX_DIRECTORIES = 16;
constexpr std::size_t DEBUG_ENTRY_SIZE = 28;
constexpr std::uint64_t LIMIT_32 = 0xFFFFFFFFu;

[[noreturn]] void corrupt(const std::string& what) {
  throw BrandError("is truncated or corrupt: " + what);
}

[[noreturn]] void unsupported(const std::string& what) {
  throw BrandError("has a layout that carafe-brand cannot rewrite: " + what);
}

bool isPowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

const char* directoryName(std::size_t index) {
  static const char* const NAMES[MAX_DIRECTORIES] = {
      "export",      "import",     "resource",    "exception",
      "certificate", "relocation", "debug",       "copyright",
      "global",      "TLS",        "load config", "bound import",
      "import addr", "delay",      "CLR",         "reserved directory"};
  return index < MAX_DIRECTORIES ? NAMES[index] : "unknown";
}

std::string quoted(const Section& section) { return "section \"" + section.name + "\""; }

void readSections(const ByteView& view, PeImage& image, std::size_t table, std::size_t count,
                  std::uint32_t sizeOfHeaders) {
  std::uint64_t nextAddress = 0;
  std::uint64_t nextData = sizeOfHeaders;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = table + i * SECTION_HEADER_SIZE;
    Section section;
    section.headerOffset = at;
    const std::uint8_t* name = view.at(at, 8);
    section.name.assign(reinterpret_cast<const char*>(name), std::find(name, name + 8, 0) - name);
    section.virtualSize = view.u32(at + 8);
    section.virtualAddress = view.u32(at + 12);
    section.sizeOfRawData = view.u32(at + 16);
    section.pointerToRawData = view.u32(at + 20);
    if (section.virtualAddress % image.sectionAlignment != 0 ||
        section.virtualAddress < nextAddress) {
      corrupt(quoted(section) + " is not aligned or overlaps the one before it in memory");
    }
    nextAddress = alignUp(std::uint64_t{section.virtualAddress} + section.virtualExtent(),
                          image.sectionAlignment);
    if (section.sizeOfRawData != 0) {
      if (section.pointerToRawData % image.fileAlignment != 0 ||
          section.pointerToRawData < nextData) {
        corrupt(quoted(section) + "'s data is not aligned or overlaps what comes before it");
      }
      if (!view.contains(section.pointerToRawData, section.sizeOfRawData)) {
        corrupt(quoted(section) + "'s data ends beyond the end of the file");
      }
      nextData = std::uint64_t{section.pointerToRawData} + section.sizeOfRawData;
    }
    image.sections.push_back(section);
  }
  if (nextAddress > LIMIT_32) corrupt("its sections reach beyond 4 GiB");
  image.imageEnd = nextData;
}

void findResources(PeImage& image) {
  if (image.directories.size() <= DIRECTORY_RESOURCE ||
      image.directories[DIRECTORY_RESOURCE].address == 0) {
    throw BrandError("has no resources (no version information, no manifest)");
  }
  const std::uint32_t address = image.directories[DIRECTORY_RESOURCE].address;
  for (std::size_t i = 0; i < image.sections.size(); ++i) {
    const Section& section = image.sections[i];
    if (section.virtualAddress != address) continue;
    if (section.sizeOfRawData == 0 || section.sizeOfRawData % image.fileAlignment != 0) {
      unsupported("the resource " + quoted(section) + " has no aligned data in the file");
    }
    image.resources = i;
    return;
  }
  unsupported("its resources (at RVA " + hex(address) + ") do not begin a section of their own");
}

// The file offset of the bytes at rva, which must lie in a section's data.
std::uint64_t fileOffsetOf(const PeImage& image, std::uint32_t rva, std::uint32_t length) {
  for (const Section& section : image.sections) {
    if (rva >= section.virtualAddress &&
        std::uint64_t{rva} + length <=
            std::uint64_t{section.virtualAddress} +
                std::min(section.sizeOfRawData, section.virtualExtent())) {
      return section.pointerToRawData + (rva - section.virtualAddress);
    }
  }
  corrupt(std::to_string(length) + " bytes at RVA " + hex(rva) + " lie in no section's data");
}

// Every address that the base relocations patch must lie below the resource
// section: what lies above it moves, and its relocations would not.
void checkRelocations(const ByteView& view, const PeImage& image, std::uint32_t limit) {
  const DataDirectory& relocations = image.directories[DIRECTORY_BASE_RELOCATION];
  if (relocations.size == 0) return;
  const std::uint64_t start = fileOffsetOf(image, relocations.address, relocations.size);
  std::uint64_t at = 0;
  while (at + 8 <= relocations.size) {
    const std::uint32_t page = view.u32(start + at);
    const std::uint32_t blockSize = view.u32(start + at + 4);
    if (blockSize < 8 || blockSize > relocations.size - at) {
      corrupt("a block of its base relocations has the size " + std::to_string(blockSize));
    }
    for (std::uint64_t entry = 8; entry + 2 <= blockSize; entry += 2) {
      const std::uint16_t value = view.u16(start + at + entry);
      const bool padding = (value >> 12) == 0;
      if (!padding && std::uint64_t{page} + (value & 0xFFFu) + 8 > limit) {
        unsupported("a base relocation patches RVA " + hex(page + (value & 0xFFFu)) +
                    ", at or above the resources, which move");
      }
    }
    at += blockSize;
  }
}

// Debug data that a debug directory places past the resources would have
// to move, which carafe-brand does not do.
void checkDebugDirectory(const ByteView& view, const PeImage& image, std::uint32_t limit) {
  const DataDirectory& debug = image.directories[DIRECTORY_DEBUG];
  if (debug.size == 0) return;
  const std::uint64_t start = fileOffsetOf(image, debug.address, debug.size);
  for (std::uint64_t at = 0; at + DEBUG_ENTRY_SIZE <= debug.size; at += DEBUG_ENTRY_SIZE) {
    const std::uint32_t dataSize = view.u32(start + at + 16);
    const std::uint32_t address = view.u32(start + at + 20);
    const std::uint32_t pointer = view.u32(start + at + 24);
    if (dataSize != 0 &&
        (address >= limit || pointer >= image.sections[image.resources].pointerToRawData)) {
      unsupported("its debug directory points to data past the resources");
    }
  }
}

std::uint32_t shifted(std::uint64_t value, std::int64_t delta) {
  const std::int64_t result = static_cast<std::int64_t>(value) + delta;
  if (result < 0 || static_cast<std::uint64_t>(result) > LIMIT_32) {
    throw BrandError("the resources are too large for the exe");
  }
  return static_cast<std::uint32_t>(result);
}

}  // namespace

PeImage readPe(const Bytes& file) {
  const ByteView view(file, "the file");
  if (file.size() < 2 || file[0] != 'M' || file[1] != 'Z') {
    throw BrandError("is not a Windows executable (it does not begin with \"MZ\")");
  }
  if (file.size() < 0x40) corrupt("it ends inside its DOS header");
  const std::uint32_t peHeader = view.u32(0x3C);
  if (!view.contains(peHeader, 4 + COFF_HEADER_SIZE)) {
    corrupt("its PE header at offset " + hex(peHeader) + " lies beyond the end of the file");
  }
  if (view.u32(peHeader) != 0x00004550) {
    throw BrandError("is not a PE executable (an MZ file without the \"PE\" signature)");
  }
  PeImage image;
  const std::size_t coff = peHeader + 4;
  image.machine = view.u16(coff);
  const std::size_t sectionCount = view.u16(coff + 2);
  image.pointerToSymbolTable = view.u32(coff + 8);
  const std::size_t optionalSize = view.u16(coff + 16);
  image.characteristics = view.u16(coff + 18);
  image.optionalHeader = coff + COFF_HEADER_SIZE;
  if (sectionCount == 0 || sectionCount > MAX_SECTIONS) {
    corrupt("it has " + std::to_string(sectionCount) + " sections");
  }
  if (!view.contains(image.optionalHeader, optionalSize) || optionalSize < 2) {
    corrupt("its optional header lies beyond the end of the file");
  }
  const std::uint16_t magic = view.u16(image.optionalHeader);
  if (magic != MAGIC_PE32 && magic != MAGIC_PE32_PLUS) {
    corrupt("its optional header has the unknown magic number " + hex(magic));
  }
  image.pe32Plus = magic == MAGIC_PE32_PLUS;
  const std::size_t directoriesAt = image.pe32Plus ? 112 : 96;
  if (optionalSize < directoriesAt) corrupt("its optional header is too short");
  const std::uint32_t directoryCount = view.u32(image.optionalHeader + directoriesAt - 4);
  if (directoryCount > MAX_DIRECTORIES || directoriesAt + 8 * directoryCount > optionalSize) {
    corrupt("its optional header lists " + std::to_string(directoryCount) + " data directories");
  }
  for (std::size_t i = 0; i < directoryCount; ++i) {
    const std::size_t at = image.directoryOffset(i);
    image.directories.push_back({view.u32(at), view.u32(at + 4)});
  }
  image.sectionAlignment = view.u32(image.optionalHeader + 32);
  image.fileAlignment = view.u32(image.optionalHeader + 36);
  if (!isPowerOfTwo(image.fileAlignment) || image.fileAlignment < 0x200 ||
      image.fileAlignment > 0x10000 || !isPowerOfTwo(image.sectionAlignment) ||
      image.sectionAlignment < image.fileAlignment) {
    unsupported("the file alignment " + hex(image.fileAlignment) + " and section alignment " +
                hex(image.sectionAlignment));
  }
  const std::uint32_t sizeOfHeaders = view.u32(image.optionalHeader + 60);
  const std::size_t table = image.optionalHeader + optionalSize;
  if (!view.contains(table, sectionCount * SECTION_HEADER_SIZE) ||
      table + sectionCount * SECTION_HEADER_SIZE > sizeOfHeaders) {
    corrupt("its section table lies beyond its headers or the end of the file");
  }
  readSections(view, image, table, sectionCount, sizeOfHeaders);
  findResources(image);
  return image;
}

ByteView resourceSection(const Bytes& file, const PeImage& image) {
  const Section& section = image.sections[image.resources];
  const std::uint32_t size = std::min(section.sizeOfRawData, section.virtualExtent());
  return ByteView(file, "the resource section").sub(section.pointerToRawData, size);
}

Bytes replaceResources(const Bytes& file, const PeImage& image, const Bytes& resources) {
  const ByteView view(file, "the file");
  const Section& old = image.sections[image.resources];
  const std::uint64_t newRaw = alignUp(resources.size(), image.fileAlignment);
  const std::uint64_t oldRawEnd = std::uint64_t{old.pointerToRawData} + old.sizeOfRawData;
  const std::int64_t fileDelta =
      static_cast<std::int64_t>(newRaw) - static_cast<std::int64_t>(old.sizeOfRawData);
  const std::uint64_t oldEnd =
      alignUp(std::uint64_t{old.virtualAddress} + old.virtualExtent(), image.sectionAlignment);
  const std::int64_t virtualDelta =
      static_cast<std::int64_t>(
          alignUp(std::uint64_t{old.virtualAddress} + resources.size(), image.sectionAlignment)) -
      static_cast<std::int64_t>(oldEnd);

  // What points at or past the resources must be known to move with them.
  std::vector<DataDirectory> directories = image.directories;
  for (std::size_t i = 0; i < directories.size(); ++i) {
    if (i == DIRECTORY_RESOURCE || i == DIRECTORY_CERTIFICATE || directories[i].size == 0 ||
        directories[i].address < old.virtualAddress) {
      continue;
    }
    if (i != DIRECTORY_BASE_RELOCATION || directories[i].address < oldEnd) {
      unsupported("its " + std::string(directoryName(i)) +
                  " directory lies in or after the resources");
    }
    directories[i].address = shifted(directories[i].address, virtualDelta);
  }
  if (directories.size() > DIRECTORY_BASE_RELOCATION) {
    checkRelocations(view, image, old.virtualAddress);
  }
  if (directories.size() > DIRECTORY_DEBUG) checkDebugDirectory(view, image, old.virtualAddress);
  std::uint64_t tailEnd = file.size();
  if (directories.size() > DIRECTORY_CERTIFICATE && directories[DIRECTORY_CERTIFICATE].size != 0) {
    const DataDirectory certificate = directories[DIRECTORY_CERTIFICATE];
    if (certificate.address < image.imageEnd ||
        !view.contains(certificate.address, certificate.size)) {
      corrupt("its signature does not lie after its sections' data");
    }
    if (std::uint64_t{certificate.address} + certificate.size != file.size()) {
      unsupported("data follows its signature");
    }
    tailEnd = certificate.address;
    directories[DIRECTORY_CERTIFICATE] = {0, 0};
  }
  std::uint32_t symbols = image.pointerToSymbolTable;
  if (symbols != 0 && symbols >= old.pointerToRawData) {
    if (symbols < oldRawEnd) unsupported("its symbol table lies inside the resources");
    symbols = shifted(symbols, fileDelta);
  }

  // The bytes: all before the resources, the new resources padded to the
  // file alignment, then everything after them but the signature.
  Bytes out(file.begin(), file.begin() + old.pointerToRawData);
  out.insert(out.end(), resources.begin(), resources.end());
  out.resize(static_cast<std::size_t>(old.pointerToRawData + newRaw), 0);
  out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(oldRawEnd),
             file.begin() + static_cast<std::ptrdiff_t>(tailEnd));
  if (out.size() > LIMIT_32) throw BrandError("the resources are too large for the exe");

  // The headers.
  directories[DIRECTORY_RESOURCE] = {old.virtualAddress,
                                     static_cast<std::uint32_t>(resources.size())};
  put32(out, old.headerOffset + 8, static_cast<std::uint32_t>(resources.size()));
  put32(out, old.headerOffset + 16, static_cast<std::uint32_t>(newRaw));
  std::uint64_t imageSize = 0;
  for (std::size_t i = 0; i < image.sections.size(); ++i) {
    Section section = image.sections[i];
    if (i == image.resources) {
      section.virtualSize = static_cast<std::uint32_t>(resources.size());
    } else if (i > image.resources) {
      section.virtualAddress = shifted(section.virtualAddress, virtualDelta);
      put32(out, section.headerOffset + 12, section.virtualAddress);
      if (section.sizeOfRawData != 0) {
        put32(out, section.headerOffset + 20, shifted(section.pointerToRawData, fileDelta));
      }
    }
    imageSize =
        std::max(imageSize, alignUp(std::uint64_t{section.virtualAddress} + section.virtualExtent(),
                                    image.sectionAlignment));
  }
  if (imageSize > LIMIT_32) throw BrandError("the resources are too large for the exe");
  put32(out, image.optionalHeader + 56, static_cast<std::uint32_t>(imageSize));
  const std::uint32_t initializedData = view.u32(image.optionalHeader + 8);
  const std::int64_t newInitialized = std::max<std::int64_t>(0, initializedData + fileDelta);
  put32(out, image.optionalHeader + 8,
        static_cast<std::uint32_t>(std::min<std::int64_t>(newInitialized, LIMIT_32)));
  put32(out, image.optionalHeader - COFF_HEADER_SIZE + 8, symbols);
  for (std::size_t i = 0; i < directories.size(); ++i) {
    put32(out, image.directoryOffset(i), directories[i].address);
    put32(out, image.directoryOffset(i) + 4, directories[i].size);
  }
  put32(out, image.checksumOffset(), peChecksum(out, image.checksumOffset()));
  return out;
}

std::uint32_t peChecksum(const Bytes& file, std::size_t checksumOffset) {
  std::uint64_t sum = 0;
  const auto byteAt = [&](std::size_t i) -> std::uint32_t {
    if (i >= file.size() || (i >= checksumOffset && i < checksumOffset + 4)) return 0;
    return file[i];
  };
  for (std::size_t i = 0; i < file.size(); i += 2) {
    sum += byteAt(i) | (byteAt(i + 1) << 8);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>((sum & 0xFFFF) + file.size());
}

}  // namespace carafe::brand
