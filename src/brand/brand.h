// Branding: a copy of a carafe launcher with the application's icon and
// version information in place of the launcher's own.
#pragma once

#include <string>
#include <vector>

#include "brand/bytes.h"
#include "brand/icon.h"
#include "brand/resource_tree.h"
#include "brand/version_info.h"

namespace carafe::brand {

// The version information's Comments value of a branded exe names the
// launcher it was made from: "carafe 1.0.7".
constexpr const char* LAUNCHER_MARK = "carafe ";

struct BrandRequest {
  std::string outputName;   // the output's file name, without its directory
  std::string description;  // FileDescription; the output's base name when empty
  std::string product;      // ProductName; the description when empty
  std::string company;      // CompanyName; left out when empty
  std::string copyright;    // LegalCopyright; left out when empty
  VersionNumber version = {{1, 0, 0, 0}, "1.0.0.0"};
  std::vector<IconImage> icons;  // none: the exe has no icon of its own
};

struct Launcher {
  std::string version;  // the launcher's own version, such as "1.0.7"
  bool branded = false;
};

// Which carafe launcher these resources belong to: an unbranded one names
// itself "carafe" in its version information, a branded one has the mark in
// its Comments. Throws BrandError for anything else.
Launcher identifyLauncher(const std::vector<Resource>& resources);

// The version information of a branded exe.
VersionInfo brandedVersionInfo(const BrandRequest& request, const Launcher& launcher);

// The branded copy of exe: its icons and version information replaced, every
// other resource (the manifest) kept as it is. Throws BrandError for an exe
// that is no carafe launcher or cannot be rewritten.
Bytes brandLauncher(const Bytes& exe, const BrandRequest& request);

}  // namespace carafe::brand
