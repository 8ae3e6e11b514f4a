#include "brand/brand.h"

#include <algorithm>

#include "brand/paths.h"
#include "brand/pe.h"

namespace carafe::brand {

namespace {

constexpr std::uint16_t FILE_EXECUTABLE_IMAGE = 0x0002;
constexpr std::uint16_t FILE_DLL = 0x2000;
constexpr std::uint16_t GROUP_ICON_ID = 1;
constexpr std::uint16_t VERSION_ID = 1;

const char* const NOT_A_LAUNCHER =
    "is not a carafe launcher; carafe-brand brands carafe.exe and exes branded from it";

std::string valueOf(const VersionStrings& strings, const std::string& key) {
  for (const auto& [name, value] : strings) {
    if (name == key) return value;
  }
  return std::string();
}

bool isVersionText(const std::string& text) {
  try {
    parseVersionNumber(text);
    return true;
  } catch (const BrandError&) {
    return false;
  }
}

bool isReplaced(const Resource& resource) {
  if (resource.type.named) return false;
  return resource.type.id == RT_ICON || resource.type.id == RT_GROUP_ICON ||
         resource.type.id == RT_VERSION;
}

Resource resource(std::uint32_t type, std::uint32_t id, Bytes data) {
  Resource result;
  result.type = ResourceKey::of(type);
  result.name = ResourceKey::of(id);
  result.language = ResourceKey::of(LANGUAGE_US_ENGLISH);
  result.data = std::move(data);
  return result;
}

}  // namespace

Launcher identifyLauncher(const std::vector<Resource>& resources) {
  // The version information with the lowest ID is the one Windows shows.
  const auto version = std::find_if(resources.begin(), resources.end(), [](const Resource& r) {
    return !r.type.named && r.type.id == RT_VERSION;
  });
  if (version == resources.end()) {
    throw BrandError(std::string(NOT_A_LAUNCHER) + " (it has no version information)");
  }
  const VersionStrings strings =
      readVersionStrings(ByteView(version->data, "the version information"));
  const std::string comments = valueOf(strings, "Comments");
  const std::string mark = LAUNCHER_MARK;
  if (comments.compare(0, mark.size(), mark) == 0 && isVersionText(comments.substr(mark.size()))) {
    return Launcher{comments.substr(mark.size()), true};
  }
  const std::string productVersion = valueOf(strings, "ProductVersion");
  if (valueOf(strings, "InternalName") == "carafe" && valueOf(strings, "ProductName") == "carafe" &&
      isVersionText(productVersion)) {
    return Launcher{productVersion, false};
  }
  const std::string product = valueOf(strings, "ProductName");
  throw BrandError(std::string(NOT_A_LAUNCHER) +
                   (product.empty() ? std::string(" (its version information names no product)")
                                    : " (its version information names \"" + product + "\")"));
}

VersionInfo brandedVersionInfo(const BrandRequest& request, const Launcher& launcher) {
  const std::string base = fileStem(request.outputName);
  const std::string description = request.description.empty() ? base : request.description;
  VersionInfo info;
  info.fileVersion = request.version;
  info.productVersion = request.version;
  if (!request.company.empty()) info.strings.emplace_back("CompanyName", request.company);
  info.strings.emplace_back("FileDescription", description);
  info.strings.emplace_back("FileVersion", request.version.text);
  info.strings.emplace_back("InternalName", base);
  if (!request.copyright.empty()) info.strings.emplace_back("LegalCopyright", request.copyright);
  info.strings.emplace_back("OriginalFilename", request.outputName);
  info.strings.emplace_back("ProductName", request.product.empty() ? description : request.product);
  info.strings.emplace_back("ProductVersion", request.version.text);
  info.strings.emplace_back("Comments", LAUNCHER_MARK + launcher.version);
  return info;
}

Bytes brandLauncher(const Bytes& exe, const BrandRequest& request) {
  const PeImage image = readPe(exe);
  if ((image.machine != MACHINE_AMD64 && image.machine != MACHINE_I386) ||
      (image.characteristics & FILE_EXECUTABLE_IMAGE) == 0 ||
      (image.characteristics & FILE_DLL) != 0) {
    throw BrandError(std::string(NOT_A_LAUNCHER) + " (it is no x86 or x64 program)");
  }
  const std::uint32_t address = image.sections[image.resources].virtualAddress;
  std::vector<Resource> resources = readResourceTree(resourceSection(exe, image), address);
  const Launcher launcher = identifyLauncher(resources);

  // Earlier icons and version information go: branding again replaces them.
  resources.erase(std::remove_if(resources.begin(), resources.end(), isReplaced), resources.end());
  if (request.icons.size() > 0xFFFF - 1) throw BrandError("too many icon images");
  for (std::size_t i = 0; i < request.icons.size(); ++i) {
    resources.push_back(
        resource(RT_ICON, static_cast<std::uint32_t>(i + 1), request.icons[i].data));
  }
  if (!request.icons.empty()) {
    resources.push_back(
        resource(RT_GROUP_ICON, GROUP_ICON_ID, groupIconResource(request.icons, 1)));
  }
  resources.push_back(
      resource(RT_VERSION, VERSION_ID, writeVersionInfo(brandedVersionInfo(request, launcher))));
  return replaceResources(exe, image, writeResourceTree(std::move(resources), address));
}

}  // namespace carafe::brand
