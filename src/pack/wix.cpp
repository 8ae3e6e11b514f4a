#include "pack/wix.h"

#include <algorithm>

#include "core/version.h"
#include "pack/error.h"
#include "pack/names.h"
#include "pack/sha1.h"
#include "pack/uuid.h"

namespace carafe::pack {

namespace {

// The namespace of carafe-pack's name-based codes.
const Uuid PACK_NAMESPACE = *parseUuid("410c7bf7-e2aa-44b9-b5e8-e23aba79066c");

const char* const START_MENU_SHORTCUT = "StartMenuShortcut";
const char* const DESKTOP_SHORTCUT = "DesktopShortcut";
const char* const PATH_ENTRY = "PathEntry";

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

std::string registryRoot(const Installer& installer) {
  return installer.perMachine ? "HKLM" : "HKCU";
}

// The key of the application's own values, which keep its components.
std::string ownKey(const Installer& installer) {
  return xml(formatted("Software\\" + installer.vendor + "\\" + installer.name));
}

// The PATH entry's component: the install folder's, kept by a value of its own.
void writePathComponent(const Installer& installer, const std::string& indent, std::string& out,
                        std::vector<std::string>& components) {
  out += indent + "<Component Id=\"" + PATH_ENTRY + "\" Guid=\"*\" Win64=\"yes\">\n";
  out += indent + "  <RegistryValue Root=\"" + registryRoot(installer) + "\" Key=\"" +
         ownKey(installer) + "\" Name=\"" + PATH_ENTRY +
         "\" Type=\"integer\" Value=\"1\" KeyPath=\"yes\" />\n";
  out += indent + "</Component>\n";
  components.push_back(PATH_ENTRY);
}

// The ProgId of an extension: the application's name and the extension.
std::string progIdOf(const Installer& installer, const FileAssociation& association) {
  std::string name = lettersAndDigits(installer.name);
  if (name.empty()) name = "Application";
  return name + "." + lettersAndDigits(association.extension);
}

// Each extension opens with the exe, the file's path its one argument, in
// the classes of the user (per machine: of the machine).
void writeAssociations(const Installer& installer, const std::string& exeId,
                       const std::string& indent, std::string& out,
                       std::vector<std::string>& components) {
  const std::string root = registryRoot(installer);
  for (const FileAssociation& association : installer.associations) {
    const std::string id = idOf("ext", foldedName(association.extension));
    const std::string progId = xml(formatted(progIdOf(installer, association)));
    const std::string classes = "Software\\Classes\\";
    const std::string extensionKey = xml(formatted(classes + "." + association.extension));
    const auto value = [&](const std::string& key, const std::string& name, const std::string& text,
                           bool keyPath) {
      out += indent + "  <RegistryValue Root=\"" + root + "\" Key=\"" + key + "\"" +
             (name.empty() ? std::string() : " Name=\"" + name + "\"") +
             " Type=\"string\" Value=\"" + text + "\"" + (keyPath ? " KeyPath=\"yes\"" : "") +
             " />\n";
    };
    out += indent + "<Component Id=\"" + id + "\" Guid=\"*\" Win64=\"yes\">\n";
    value(extensionKey, "", progId, true);
    if (!association.mimeType.empty()) {
      value(extensionKey, "Content Type", xml(formatted(association.mimeType)), false);
    }
    const std::string progKey = xml(formatted(classes)) + progId;
    if (!association.description.empty()) {
      value(progKey, "", xml(formatted(association.description)), false);
    }
    value(progKey + "\\DefaultIcon", "",
          association.icon.empty() ? "[#" + exeId + "],0"
                                   : "[INSTALLDIR]" + xml(formatted(association.icon)),
          false);
    value(progKey + "\\shell\\open\\command", "", "&quot;[#" + exeId + "]&quot; &quot;%1&quot;",
          false);
    out += indent + "</Component>\n";
    components.push_back(id);
  }
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
      "      <Custom Action=\"SetInstallLocation\" Sequence=\"1001\" />\n";
  if (installer.launchAfterInstall) {
    out +=
        "      <Custom Action=\"LaunchApplication\" After=\"InstallFinalize\">"
        "LAUNCHAPPLICATION = \"1\" AND NOT Installed AND UILevel &gt;= 3</Custom>\n";
  }
  out +=
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
  if (!installer.aboutUrl.empty()) {
    for (const char* link : {"ARPURLINFOABOUT", "ARPHELPLINK"}) {
      out += std::string("    <Property Id=\"") + link + "\" Value=\"" + xml(installer.aboutUrl) +
             "\" />\n";
    }
  }
  // Apps & features shows where the application is; the property is set
  // after the folders are resolved.
  out +=
      "    <CustomAction Id=\"SetInstallLocation\" Property=\"ARPINSTALLLOCATION\" "
      "Value=\"[INSTALLDIR]\" />\n";
  const std::string exeId = fileId(image.exe);
  if (installer.launchAfterInstall) {
    // Started when a person installed it (not without UI, as in scripts),
    // unless LAUNCHAPPLICATION=0 is given.
    out += "    <Property Id=\"LAUNCHAPPLICATION\" Value=\"1\" />\n";
    out += "    <CustomAction Id=\"LaunchApplication\" FileKey=\"" + exeId +
           "\" ExeCommand=\"\" Return=\"asyncNoWait\" Impersonate=\"yes\" />\n";
  }
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
  if (installer.onPath) writePathComponent(installer, indent + "  ", out, components);
  writeAssociations(installer, exeId, indent + "  ", out, components);
  out += indent + "</Directory>\n";
  if (!installer.perMachine) out += "        </Directory>\n";
  out += "      </Directory>\n";
  if (installer.startMenuShortcut) {
    writeShortcut(installer, "ProgramMenuFolder", START_MENU_SHORTCUT, exeId, out, components);
  }
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
    if (shortcut == START_MENU_SHORTCUT && !installer.startMenuShortcut) continue;
    table += std::string(shortcut) + "Id\t" + shortcut + "\tSystem.AppUserModel.ID\t" +
             formatted(installer.appUserModelId) + "\r\n";
  }
  return table;
}

std::string environmentTable(const Installer& installer) {
  if (!installer.onPath) return std::string();
  // "=": set at install, "-": removed at uninstall, "*": the machine's;
  // "[~];" keeps what PATH held, and the entry is added at its end.
  return std::string(
             "Environment\tName\tValue\tComponent_\r\n"
             "s72\tl255\tL255\ts72\r\n"
             "Environment\tEnvironment\r\n") +
         PATH_ENTRY + "\t" + (installer.perMachine ? "=-*PATH" : "=-PATH") +
         "\t[~];[INSTALLDIR]\t" + PATH_ENTRY + "\r\n";
}

std::vector<std::string> environmentQueries() {
  // Where the standard sequence has them.
  return {
      "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES "
      "('RemoveEnvironmentStrings', 3300)",
      "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES "
      "('WriteEnvironmentStrings', 5200)"};
}

FileAssociation parseFileAssociation(const std::string& file, const std::string& text) {
  FileAssociation association;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
      line.pop_back();
    }
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#' || line[first] == '!') continue;
    const std::size_t equals = line.find_first_of("=:", first);
    if (equals == std::string::npos) continue;
    std::string key = line.substr(first, equals - first);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
    const std::size_t valueStart = line.find_first_not_of(" \t", equals + 1);
    const std::string value = valueStart == std::string::npos ? "" : line.substr(valueStart);
    if (key == "extension") association.extension = value;
    if (key == "description") association.description = value;
    if (key == "mime-type") association.mimeType = value;
    if (key == "icon") association.icon = value;
  }
  if (!association.extension.empty() && association.extension[0] == '.') {
    association.extension.erase(0, 1);
  }
  bool valid = !association.extension.empty() && association.extension.size() <= 32;
  for (char c : association.extension) {
    valid = valid && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-');
  }
  if (!valid) {
    throw PackError("--file-associations: " + file +
                    " gives no extension of letters and digits (\"extension=" +
                    association.extension + "\"): give one such as extension=bib");
  }
  return association;
}

}  // namespace carafe::pack
