#include "synthetic.h"

#include "brand/pe.h"
#include "brand/version_info.h"

namespace carafe::brand::test {

namespace {

constexpr std::uint32_t FILE_ALIGNMENT = 0x200;
constexpr std::uint32_t SECTION_ALIGNMENT = 0x1000;

void appendBig32(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void putSection(Bytes& out, std::size_t at, const char* name, std::uint32_t virtualSize,
                std::uint32_t address, std::uint32_t rawSize, std::uint32_t pointer,
                std::uint32_t characteristics) {
  for (std::size_t i = 0; name[i] != '\0'; ++i) out[at + i] = static_cast<std::uint8_t>(name[i]);
  put32(out, at + 8, virtualSize);
  put32(out, at + 12, address);
  put32(out, at + 16, rawSize);
  put32(out, at + 20, pointer);
  put32(out, at + 36, characteristics);
}

}  // namespace

Bytes pngImage(std::uint32_t width, std::uint32_t height) {
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  appendBig32(out, width);
  appendBig32(out, height);
  out.insert(out.end(), {8, 6, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD});
  return out;
}

Bytes bitmapImage(std::int32_t width, std::int32_t height) {
  Bytes out;
  append32(out, 40);
  append32(out, static_cast<std::uint32_t>(width));
  append32(out, static_cast<std::uint32_t>(height * 2));
  append16(out, 1);
  append16(out, 32);
  out.resize(40, 0);
  out.resize(40 + 16, 0x5A);  // a few pixels: the reader does not look at them
  return out;
}

IconImage image(std::uint8_t size, Bytes data) {
  IconImage result;
  result.width = size;
  result.height = size;
  result.planes = 1;
  result.bitCount = 32;
  result.data = std::move(data);
  return result;
}

Bytes icoFile(const std::vector<IconImage>& images) {
  Bytes out;
  append16(out, 0);
  append16(out, 1);
  append16(out, static_cast<std::uint16_t>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (const IconImage& entry : images) {
    out.insert(out.end(), {entry.width, entry.height, entry.colorCount, entry.reserved});
    append16(out, entry.planes);
    append16(out, entry.bitCount);
    append32(out, static_cast<std::uint32_t>(entry.data.size()));
    append32(out, offset);
    offset += static_cast<std::uint32_t>(entry.data.size());
  }
  for (const IconImage& entry : images) out.insert(out.end(), entry.data.begin(), entry.data.end());
  return out;
}

Resource manifestResource() {
  Resource manifest;
  manifest.type = ResourceKey::of(RT_MANIFEST);
  manifest.name = ResourceKey::of(1);
  manifest.language = ResourceKey::of(0x0407);  // not the version's: it must be kept
  const std::string text = "<assembly manifestVersion=\"1.0\"/>\n";
  manifest.data.assign(text.begin(), text.end());
  return manifest;
}

std::vector<Resource> launcherResources(const std::string& product, const std::string& version) {
  VersionInfo info;
  info.fileVersion = parseVersionNumber(version);
  info.productVersion = info.fileVersion;
  info.strings = {{"FileDescription", "Java application launcher"},
                  {"InternalName", product},
                  {"ProductName", product},
                  {"ProductVersion", version}};
  Resource versionResource;
  versionResource.type = ResourceKey::of(RT_VERSION);
  versionResource.name = ResourceKey::of(1);
  versionResource.language = ResourceKey::of(LANGUAGE_US_ENGLISH);
  versionResource.data = writeVersionInfo(info);
  return {versionResource, manifestResource()};
}

Bytes makePe(const PeShape& shape) {
  const Bytes tree = writeResourceTree(shape.resources, RESOURCE_RVA);
  const std::uint32_t resourceRaw =
      static_cast<std::uint32_t>(alignUp(tree.size(), FILE_ALIGNMENT));
  const std::uint32_t relocationRva =
      static_cast<std::uint32_t>(alignUp(RESOURCE_RVA + tree.size(), SECTION_ALIGNMENT));
  const std::uint32_t relocationOffset = RESOURCE_OFFSET + resourceRaw;
  const std::size_t optionalSize = shape.pe32Plus ? 0xF0 : 0xE0;
  const std::size_t directories = OPTIONAL_HEADER + (shape.pe32Plus ? 112 : 96);
  const std::size_t sections = OPTIONAL_HEADER + optionalSize;
  const std::uint16_t sectionCount = shape.relocations ? 3 : 2;

  Bytes out(HEADERS_SIZE, 0);
  out[0] = 'M';
  out[1] = 'Z';
  put32(out, 0x3C, PE_HEADER);
  put32(out, PE_HEADER, 0x00004550);
  put16(out, PE_HEADER + 4, shape.pe32Plus ? MACHINE_AMD64 : MACHINE_I386);
  put16(out, PE_HEADER + 6, sectionCount);
  put32(out, PE_HEADER + 8, 0x5EED0001);  // TimeDateStamp
  put16(out, PE_HEADER + 20, static_cast<std::uint16_t>(optionalSize));
  put16(out, PE_HEADER + 22, shape.pe32Plus ? 0x0022 : 0x0102);
  put16(out, OPTIONAL_HEADER, shape.pe32Plus ? 0x20B : 0x10B);
  put32(out, OPTIONAL_HEADER + 4, FILE_ALIGNMENT);  // SizeOfCode
  put32(out, OPTIONAL_HEADER + 8, resourceRaw + (shape.relocations ? FILE_ALIGNMENT : 0));
  put32(out, OPTIONAL_HEADER + 16, TEXT_RVA);  // entry point
  put32(out, OPTIONAL_HEADER + 32, SECTION_ALIGNMENT);
  put32(out, OPTIONAL_HEADER + 36, FILE_ALIGNMENT);
  put32(out, OPTIONAL_HEADER + 56,
        shape.relocations ? relocationRva + SECTION_ALIGNMENT : relocationRva);
  put32(out, OPTIONAL_HEADER + 60, HEADERS_SIZE);
  put16(out, OPTIONAL_HEADER + 68, 2);  // GUI
  put32(out, directories - 4, 16);
  put32(out, directories + 8 * DIRECTORY_RESOURCE, RESOURCE_RVA);
  put32(out, directories + 8 * DIRECTORY_RESOURCE + 4, static_cast<std::uint32_t>(tree.size()));
  putSection(out, sections, ".text", 0x10, TEXT_RVA, FILE_ALIGNMENT, TEXT_OFFSET, 0x60000020);
  putSection(out, sections + 40, ".rsrc", static_cast<std::uint32_t>(tree.size()), RESOURCE_RVA,
             resourceRaw, RESOURCE_OFFSET, 0xC0000040);

  out.resize(TEXT_OFFSET + FILE_ALIGNMENT, 0xCC);  // the code
  out.insert(out.end(), tree.begin(), tree.end());
  out.resize(RESOURCE_OFFSET + resourceRaw, 0);
  if (shape.relocations) {
    // One block for the code's page: an absolute address at offset 8.
    Bytes block;
    append32(block, TEXT_RVA);
    append32(block, 12);
    append16(block, static_cast<std::uint16_t>((shape.pe32Plus ? 0xA000 : 0x3000) | 0x008));
    append16(block, 0);
    put32(out, directories + 8 * DIRECTORY_BASE_RELOCATION, relocationRva);
    put32(out, directories + 8 * DIRECTORY_BASE_RELOCATION + 4, 12);
    putSection(out, sections + 80, ".reloc", 12, relocationRva, FILE_ALIGNMENT, relocationOffset,
               0x42000040);
    out.insert(out.end(), block.begin(), block.end());
    out.resize(relocationOffset + FILE_ALIGNMENT, 0);
  }
  if (!shape.trailer.empty()) {
    put32(out, PE_HEADER + 12, static_cast<std::uint32_t>(out.size()));  // PointerToSymbolTable
    out.insert(out.end(), shape.trailer.begin(), shape.trailer.end());
  }
  if (!shape.certificate.empty()) {
    padTo(out, 8);
    put32(out, directories + 8 * DIRECTORY_CERTIFICATE, static_cast<std::uint32_t>(out.size()));
    put32(out, directories + 8 * DIRECTORY_CERTIFICATE + 4,
          static_cast<std::uint32_t>(shape.certificate.size()));
    out.insert(out.end(), shape.certificate.begin(), shape.certificate.end());
  }
  put32(out, OPTIONAL_HEADER + 64, peChecksum(out, OPTIONAL_HEADER + 64));
  return out;
}

std::uint32_t read32(const Bytes& bytes, std::size_t offset) {
  return ByteView(bytes, "the test's bytes").u32(offset);
}

std::uint16_t read16(const Bytes& bytes, std::size_t offset) {
  return ByteView(bytes, "the test's bytes").u16(offset);
}

}  // namespace carafe::brand::test
