// The Windows Installer package of an application's folder, as WiX source
// for wixl: installed per user into %LOCALAPPDATA%\Programs\NAME without
// administrator rights (or per machine into Program Files), with a Start menu
// shortcut (and a desktop one) that carries an AppUserModelID, an entry in
// Apps & features with the exe's icon, version and publisher, every earlier
// or equal version of the same upgrade code replaced in place, and a clean
// uninstall.
#pragma once

#include <string>
#include <vector>

#include "pack/image.h"

namespace carafe::pack {

// A file type the application opens: double-clicking such a file starts
// "<install>\\NAME.exe" "<the file>".
struct FileAssociation {
  std::string extension;    // without its dot: "bib"
  std::string description;  // what Explorer calls the type; may be empty
  std::string mimeType;     // may be empty
  std::string icon;         // the type's icon, a path in the folder; empty: the exe's
};

struct Installer {
  std::string name;
  std::string version;
  std::string vendor;
  std::string description;  // may be empty
  bool perMachine = false;
  bool desktopShortcut = false;
  bool startMenuShortcut = true;
  bool onPath = false;  // the install folder on the user's (per machine: the machine's) PATH
  std::vector<FileAssociation> associations;
  std::string aboutUrl;             // Apps & features' help and about links; may be empty
  bool launchAfterInstall = false;  // unless LAUNCHAPPLICATION=0, or installed without UI
  bool icon = false;                // the exe has an icon, which Apps & features then shows
  std::string upgradeCode;          // "{...}"
  std::string productCode;          // "{...}"; empty while it is being derived
  std::string appUserModelId;
  const Image* image = nullptr;
  std::string sourceFolder;  // the folder as wixl finds it from where it runs
};

// One code for every version of an application: derived from its vendor and
// name, letter case ignored (Windows takes "Editor" and "editor" for one
// folder).
std::string upgradeCodeFor(const std::string& vendor, const std::string& name);

// ASCII letters and digits of vendor and name, "VENDOR.NAME".
std::string defaultAppUserModelId(const std::string& vendor, const std::string& name,
                                  const std::string& upgradeCode);

// A new product code for every package that differs, the same one for the
// same package: derived from the upgrade code, the WiX source (without its
// product code) and the digest of the folder's files.
std::string productCodeFor(const Installer& installer, const std::string& contentDigest);

// The package code (the summary's revision number), derived from the product
// code and the WiX source: the same package gets the same one.
std::string packageCodeFor(const Installer& installer);

// The WiX source.
std::string wixSource(const Installer& installer);

// The Environment table, as msibuild imports it: the install folder at the end
// of PATH while the application is installed; empty without onPath. The
// actions that apply it are added with environmentActions().
std::string environmentTable(const Installer& installer);

// The queries that put the actions applying the Environment table into the
// installer's sequence, which wixl leaves out.
std::vector<std::string> environmentQueries();

// A --file-associations file: "key=value" lines, "#" or "!" comments.
// Throws PackError naming file for a missing or bad extension.
FileAssociation parseFileAssociation(const std::string& file, const std::string& text);

// The MsiShortcutProperty table, as msibuild imports it: the AppUserModelID
// of each shortcut. wixl does not write this table itself.
std::string shortcutPropertyTable(const Installer& installer);

// The identifier of a file of the folder in the WiX source; the same path
// gives the same identifier in every version, so that its component keeps
// its code.
std::string fileId(const std::string& path);

}  // namespace carafe::pack
