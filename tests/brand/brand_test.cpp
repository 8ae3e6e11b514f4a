// Branding as a whole: which exes are launchers, what the branded one holds,
// and branding it again.
#include "brand/brand.h"

#include <gtest/gtest.h>

#include "brand/pe.h"
#include "synthetic.h"

namespace carafe::brand {
namespace {

using test::bitmapImage;
using test::image;
using test::launcherResources;
using test::makePe;
using test::manifestResource;
using test::PeShape;
using test::pngImage;

std::vector<Resource> resourcesOf(const Bytes& exe) {
  const PeImage image = readPe(exe);
  return readResourceTree(resourceSection(exe, image),
                          image.sections[image.resources].virtualAddress);
}

const Resource& find(const std::vector<Resource>& resources, std::uint32_t type,
                     std::uint32_t name) {
  for (const Resource& resource : resources) {
    if (resource.type == ResourceKey::of(type) && resource.name == ResourceKey::of(name)) {
      return resource;
    }
  }
  throw std::runtime_error("no such resource");
}

VersionStrings stringsOf(const Bytes& exe) {
  return readVersionStrings(ByteView(find(resourcesOf(exe), RT_VERSION, 1).data, "version"));
}

BrandRequest editor() {
  BrandRequest request;
  request.outputName = "Editor.exe";
  request.description = "Editor";
  request.product = "Example Editor";
  request.company = "Example Ltd";
  request.copyright = "© 2026 Example Ltd";
  request.version = parseVersionNumber("2.3.1");
  request.icons = {image(16, bitmapImage(16, 16)), image(32, bitmapImage(32, 32)),
                   image(0, pngImage(256, 256))};
  return request;
}

TEST(Brand, GivesTheExeItsIconAndVersionInformationAndKeepsTheManifest) {
  for (bool pe32Plus : {true, false}) {
    SCOPED_TRACE(pe32Plus ? "PE32+" : "PE32");
    PeShape shape;
    shape.pe32Plus = pe32Plus;
    const BrandRequest request = editor();
    const Bytes branded = brandLauncher(makePe(shape), request);
    const std::vector<Resource> resources = resourcesOf(branded);
    ASSERT_EQ(resources.size(), 6u);  // 3 icons, the group, the version, the manifest
    for (std::uint32_t id = 1; id <= 3; ++id) {
      EXPECT_EQ(find(resources, RT_ICON, id).data, request.icons[id - 1].data);
    }
    EXPECT_EQ(find(resources, RT_GROUP_ICON, 1).data, groupIconResource(request.icons, 1));
    const Resource& manifest = find(resources, RT_MANIFEST, 1);
    EXPECT_EQ(manifest.data, manifestResource().data);
    EXPECT_TRUE(manifest.language == manifestResource().language);
    EXPECT_EQ(stringsOf(branded), (VersionStrings{{"CompanyName", "Example Ltd"},
                                                  {"FileDescription", "Editor"},
                                                  {"FileVersion", "2.3.1"},
                                                  {"InternalName", "Editor"},
                                                  {"LegalCopyright", "© 2026 Example Ltd"},
                                                  {"OriginalFilename", "Editor.exe"},
                                                  {"ProductName", "Example Editor"},
                                                  {"ProductVersion", "2.3.1"},
                                                  {"Comments", "carafe 1.0.7"}}));
  }
}

TEST(Brand, FillsInTheOutputsNameAndVersionOneWhereNothingIsGiven) {
  BrandRequest request;
  request.outputName = "viewer.exe";
  const Bytes branded = brandLauncher(makePe(PeShape()), request);
  EXPECT_EQ(stringsOf(branded), (VersionStrings{{"FileDescription", "viewer"},
                                                {"FileVersion", "1.0.0.0"},
                                                {"InternalName", "viewer"},
                                                {"OriginalFilename", "viewer.exe"},
                                                {"ProductName", "viewer"},
                                                {"ProductVersion", "1.0.0.0"},
                                                {"Comments", "carafe 1.0.7"}}));
  EXPECT_EQ(resourcesOf(branded).size(), 2u);  // no icon
}

TEST(Brand, BrandingAgainReplacesTheEarlierBrandingAndKeepsTheLaunchersVersion) {
  PeShape shape;
  shape.resources = launcherResources("carafe", "1.2.3");
  const Bytes first = brandLauncher(makePe(shape), editor());
  BrandRequest again;
  again.outputName = "Viewer.exe";
  again.version = parseVersionNumber("5");
  again.icons = {image(48, bitmapImage(48, 48))};
  const Bytes second = brandLauncher(first, again);

  const std::vector<Resource> resources = resourcesOf(second);
  ASSERT_EQ(resources.size(), 4u);
  EXPECT_EQ(find(resources, RT_ICON, 1).data, again.icons[0].data);
  EXPECT_EQ(find(resources, RT_GROUP_ICON, 1).data, groupIconResource(again.icons, 1));
  const VersionStrings strings = stringsOf(second);
  EXPECT_EQ(strings.back(), (std::pair<std::string, std::string>("Comments", "carafe 1.2.3")));
  EXPECT_EQ(strings.front(), (std::pair<std::string, std::string>("FileDescription", "Viewer")));
  // The same request gives the same bytes, from the launcher or from a branded copy.
  EXPECT_EQ(brandLauncher(second, again), second);
  EXPECT_EQ(brandLauncher(makePe(shape), again), second);
}

TEST(Brand, RefusesWhatIsNoCarafeLauncher) {
  const std::string notLauncher =
      "is not a carafe launcher; carafe-brand brands carafe.exe and exes branded from it";
  PeShape other;
  other.resources = launcherResources("Notepad", "10.0");
  PeShape unnamed;
  unnamed.resources = launcherResources("", "1.0");
  PeShape noVersion;
  noVersion.resources = {manifestResource()};
  Bytes dll = makePe(PeShape());
  put16(dll, test::PE_HEADER + 22, 0x2022);
  Bytes arm = makePe(PeShape());
  put16(arm, test::PE_HEADER + 4, 0xAA64);
  const std::pair<Bytes, std::string> cases[] = {
      {makePe(other), notLauncher + " (its version information names \"Notepad\")"},
      {makePe(unnamed), notLauncher + " (its version information names no product)"},
      {makePe(noVersion), notLauncher + " (it has no version information)"},
      {dll, notLauncher + " (it is no x86 or x64 program)"},
      {arm, notLauncher + " (it is no x86 or x64 program)"},
  };
  for (const auto& [exe, message] : cases) {
    try {
      brandLauncher(exe, editor());
      ADD_FAILURE() << "accepted: " << message;
    } catch (const BrandError& error) {
      EXPECT_EQ(error.what(), message);
    }
  }
}

}  // namespace
}  // namespace carafe::brand
