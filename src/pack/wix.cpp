#include "pack/wix.h"

#include <algorithm>

#include "core/version.h"
#include "pack/names.h"
#include "pack/sha1.h"
#include "pack/uuid.h"

namespace carafe::pack {

namespace {

// The namespace of carafe-pack's name-based codes.
const Uuid PACK_NAMESPACE = *parseUuid("410c7bf7-e2aa-44b9-b5e8-e23aba79066c");

const char* const START_MENU_SHORTCUT = "StartMenuShortcut";
const char* const DESKTOP_SHORTCUT = "DesktopShortcut";

std::string xml(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A text in a formatted column, where "[...]" names a property.
std::string formatted(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '[' || c == ']') {
      out += std::string("[\\") + c + "]";
    } else {
      out += c;
    }
  }
  return out;
}

// An identifier for a path of the folder: a letter, then hex digits.
std::string idOf(const char* prefix, const std::string& path) {
  return prefix + hexDigest(sha1(foldedName(path))).substr(0, 24);
}

std::string directoryId(const std::string& path) {
  return path.empty() ? "INSTALLDIR" : idOf("dir", path);
}

std::string parentOf(const std::string& path) {
  const std::size_t separator = path.rfind('\\');
  return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

std::string baseName(const std::string& path) {
  const std::size_t separator = path.rfind('\\');
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string lettersAndDigits(const std::string& text) {
  std::string out;
  for (char c : text) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) out += c;
  }
  return out;
}

std::string sourceOf(const Installer& installer, const std::string& path) {
  std::string source = installer.sourceFolder + "/" + path;
  std::replace(source.begin(), source.end(), '\\', '/');
  return source;
}

// The directory at path with its files' components and its subdirectories.
void writeDirectory(const Installer& installer, const std::string& path,
                    const std::vector<std::string>& directories, const std::string& indent,
                    std::string& out, std::vector<std::string>& components) {
  bool first = true;
  for (const ImageFile& file : installer.image->files) {
    if (parentOf(file.path) != path) continue;
    const std::string component = idOf("cmp", file.path);
    components.push_back(component);
    out += indent + "<Component Id=\"" + component + "\" Guid=\"*\" Win64=\"yes\">\n";
    out += indent + "  <File Id=\"" + fileId(file.path) + "\" Name=\"" + xml(baseName(file.path)) +
           "\" Source=\"" + xml(sourceOf(installer, file.path)) + "\" KeyPath=\"yes\" />\n";
    if (first) {
      // The folder goes with its last file, should it be empty then.
      out += indent + "  <RemoveFolder Id=\"" + idOf("rmf", path) + "\" On=\"uninstall\" />\n";
      first = false;
    }
    out += indent + "</Component>\n";
  }
  for (const std::string& directory : directories) {
    if (directory.empty() || parentOf(directory) != path) continue;
    out += indent + "<Directory Id=\"" + directoryId(directory) + "\" Name=\"" +
           xml(baseName(directory)) + "\">\n";
    writeDirectory(installer, directory, directories, indent + "  ", out, components);
    out += indent + "</Directory>\n";
  }
}

void writeShortcut(const Installer& installer, const char* folder, const char* id,
                   const std::string& exeId, std::string& out,
                   std::vector<std::string>& components) {
  const std::string indent = "      ";
  out += indent + "<Directory Id=\"" + folder + "\">\n";
  out += indent + "  <Component Id=\"" + id + "\" Guid=\"*\" Win64=\"yes\">\n";
  out += indent + "    <Shortcut Id=\"" + id + "\" Name=\"" + xml(installer.name) + "\"";
  if (!installer.description.empty()) out += " Description=\"" + xml(installer.description) + "\"";
  // No icon of its own: the shell shows the exe's.
  out += " Target=\"[#" + exeId + "]\" WorkingDirectory=\"INSTALLDIR\" />\n";
  // A component in a user's folder is known by a registry value of that user.
  out += indent + "    <RegistryValue Root=\"" + (installer.perMachine ? "HKLM" : "HKCU") +
         "\" Key=\"" + xml(formatted("Software\\" + installer.vendor + "\\" + installer.name)) +
         "\" Name=\"" + id + "\" Type=\"integer\" Value=\"1\" KeyPath=\"yes\" />\n";
  out += indent + "  </Component>\n";
  out += indent + "</Directory>\n";
  components.push_back(id);
}

}  // namespace

std::string upgradeCodeFor(const std::string& vendor, const std::string& name) {
  return formatUuid(
      nameBasedUuid(PACK_NAMESPACE, "upgrade\n" + foldedName(vendor) + "\n" + foldedName(name)));
}

std::string defaultAppUserModelId(const std::string& vendor, const std::string& name,
                                  const std::string& upgradeCode) {
  const std::string company = lettersAndDigits(vendor);
  const std::string product = lettersAndDigits(name);
  std::string id = company.empty() || product.empty() ? company + product : company + "." + product;
  if (product.empty()) id += (id.empty() ? "" : ".") + lettersAndDigits(upgradeCode);
  return id.substr(0, 128);
}

std::string productCodeFor(const Installer& installer, const std::string& contentDigest) {
  Installer withoutCode = installer;
  withoutCode.productCode.clear();
  const Uuid upgrade = *parseUuid(installer.upgradeCode);
  return formatUuid(nameBasedUuid(
      upgrade, "product\n" + hexDigest(sha1(wixSource(withoutCode))) + "\n" + contentDigest));
}

std::string packageCodeFor(const Installer& installer) {
  const Uuid product = *parseUuid(installer.productCode);
  return formatUuid(nameBasedUuid(product, "package\n" + hexDigest(sha1(wixSource(installer))) +
                                               "\n" +
                                               hexDigest(sha1(shortcutPropertyTable(installer)))));
}

std::string fileId(const std::string& path) { return idOf("fil", path); }

std::string wixSource(const Installer& installer) {
  const Image& image = *installer.image;
  const std::string name = xml(installer.name);
  const std::string vendor = xml(installer.vendor);
  std::string out =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<!-- " +
      name + " " + xml(installer.version) +
      ": the Windows Installer package, as carafe-pack " CARAFE_VERSION_TEXT
      " writes it. -->\n"
      "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n";
  out += "  <Product Id=\"" + installer.productCode + "\" Name=\"" + name +
         "\" Language=\"1033\" Version=\"" + installer.version + "\" Manufacturer=\"" + vendor +
         "\" UpgradeCode=\"" + installer.upgradeCode + "\">\n";
  out += std::string("    <Package InstallerVersion=\"500\" Compressed=\"yes\" InstallScope=\"") +
         (installer.perMachine ? "perMachine" : "perUser") + "\" Description=\"" + name + " " +
         xml(installer.version) + "\" Manufacturer=\"" + vendor + "\" />\n";
  // Every installed version that is not newer is removed before this one is
  // installed: a later version replaces an earlier one, and a rebuild of the
  // same version the one built before. A newer one stops the installation.
  out += "    <Upgrade Id=\"" + installer.upgradeCode + "\">\n";
  out += "      <UpgradeVersion Minimum=\"" + installer.version +
         "\" IncludeMinimum=\"no\" OnlyDetect=\"yes\" Property=\"NEWERVERSIONFOUND\" />\n";
  out +=
      "      <UpgradeVersion Minimum=\"0.0.0\" IncludeMinimum=\"yes\" "
      "Property=\"OLDERVERSIONFOUND\" />\n"
      "    </Upgrade>\n"
      "    <Condition Message=\"A later version of [ProductName] is already installed.\">"
      "NOT NEWERVERSIONFOUND</Condition>\n"
      "    <InstallExecuteSequence>\n"
      "      <RemoveExistingProducts After=\"InstallValidate\" />\n"
      "    </InstallExecuteSequence>\n"
      "    <Media Id=\"1\" Cabinet=\"application.cab\" EmbedCab=\"yes\" />\n";
  if (installer.icon) {
    out += "    <Icon Id=\"ApplicationIcon.exe\" SourceFile=\"" +
           xml(sourceOf(installer, image.exe)) + "\" />\n";
    out += "    <Property Id=\"ARPPRODUCTICON\" Value=\"ApplicationIcon.exe\" />\n";
  }
  if (!installer.description.empty()) {
    out += "    <Property Id=\"ARPCOMMENTS\" Value=\"" + xml(installer.description) + "\" />\n";
  }
  out += "    <Property Id=\"ARPNOMODIFY\" Value=\"1\" />\n";
  out += "    <Directory Id=\"TARGETDIR\" Name=\"SourceDir\">\n";
  std::string indent;
  if (installer.perMachine) {
    out += "      <Directory Id=\"ProgramFiles64Folder\">\n";
    indent = "        ";
  } else {
    out += "      <Directory Id=\"LocalAppDataFolder\">\n";
    out += "        <Directory Id=\"LocalProgramsFolder\" Name=\"Programs\">\n";
    indent = "          ";
  }
  std::vector<std::string> components;
  out += indent + "<Directory Id=\"INSTALLDIR\" Name=\"" + name + "\">\n";
  writeDirectory(installer, std::string(), imageDirectories(image), indent + "  ", out, components);
  out += indent + "</Directory>\n";
  if (!installer.perMachine) out += "        </Directory>\n";
  out += "      </Directory>\n";
  const std::string exeId = fileId(image.exe);
  writeShortcut(installer, "ProgramMenuFolder", START_MENU_SHORTCUT, exeId, out, components);
  if (installer.desktopShortcut) {
    writeShortcut(installer, "DesktopFolder", DESKTOP_SHORTCUT, exeId, out, components);
  }
  out += "    </Directory>\n";
  out += "    <Feature Id=\"Application\" Level=\"1\">\n";
  for (const std::string& component : components) {
    out += "      <ComponentRef Id=\"" + component + "\" />\n";
  }
  out += "    </Feature>\n";
  out += "  </Product>\n";
  out += "</Wix>\n";
  return out;
}

std::string shortcutPropertyTable(const Installer& installer) {
  std::string table =
      "MsiShortcutProperty\tShortcut_\tPropertyKey\tPropVariantValue\r\n"
      "s72\ts72\ts0\ts0\r\n"
      "MsiShortcutProperty\tMsiShortcutProperty\r\n";
  for (const char* shortcut : {START_MENU_SHORTCUT, DESKTOP_SHORTCUT}) {
    if (shortcut == DESKTOP_SHORTCUT && !installer.desktopShortcut) continue;
    table += std::string(shortcut) + "Id\t" + shortcut + "\tSystem.AppUserModel.ID\t" +
             formatted(installer.appUserModelId) + "\r\n";
  }
  return table;
}

}  // namespace carafe::pack
