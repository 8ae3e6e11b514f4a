// The installer's WiX source and codes: per user or per machine, the
// shortcuts and their AppUserModelID, and codes that let a later version
// replace an earlier one.
#include "pack/wix.h"

#include <gtest/gtest.h>

#include "pack/uuid.h"

namespace carafe::pack {
namespace {

using Words = std::vector<std::string>;

Image editorImage() {
  Image image;
  image.name = "Editor";
  image.exe = "Editor.exe";
  image.configuration = "Editor.config";
  image.files = {{"Editor.config", "", false},
                 {"Editor.exe", "", true},
                 {"lib\\editor.jar", "in/editor.jar", false}};
  image.classpath = {"lib\\editor.jar"};
  return image;
}

Installer editor(const Image& image) {
  Installer installer;
  installer.name = "Editor";
  installer.version = "2.3.1";
  installer.vendor = "Example & Sons [EU]";
  installer.description = "Edits <texts>";
  installer.icon = true;
  installer.upgradeCode = upgradeCodeFor(installer.vendor, installer.name);
  installer.productCode = "{11111111-2222-3333-4444-555555555555}";
  installer.appUserModelId = "Example.Editor";
  installer.image = &image;
  installer.sourceFolder = "Editor";
  return installer;
}

bool holds(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(Wix, InstallsPerUserWithoutAdministratorRightsOrPerMachine) {
  const Image image = editorImage();
  const struct {
    bool perMachine;
    Words present;
    Words absent;
  } cases[] = {
      {false,
       {"InstallScope=\"perUser\"",
        "<Directory Id=\"LocalAppDataFolder\">\n"
        "        <Directory Id=\"LocalProgramsFolder\" Name=\"Programs\">\n"
        "          <Directory Id=\"INSTALLDIR\" Name=\"Editor\">",
        "<RegistryValue Root=\"HKCU\" Key=\"Software\\Example &amp; Sons [\\[]EU[\\]]\\Editor\" "
        "Name=\"StartMenuShortcut\"",
        "<RegistryValue Root=\"HKCU\" Key=\"Software\\Classes\\.bib\" Type=\"string\" "
        "Value=\"Editor.bib\" KeyPath=\"yes\" />",
        "<RegistryValue Root=\"HKCU\" Key=\"Software\\Classes\\.bib\" Name=\"Content Type\" "
        "Type=\"string\" Value=\"text/x-bibtex\" />",
        "<RegistryValue Root=\"HKCU\" Key=\"Software\\Classes\\Editor.bib\\shell\\open\\command\" "
        "Type=\"string\" Value=\"&quot;[#" +
            fileId("Editor.exe") + "]&quot; &quot;%1&quot;\" />",
        "PathEntry\t=-PATH\t[~];[INSTALLDIR]\tPathEntry\r\n"},
       {"ProgramFiles64Folder", "HKLM", "*PATH"}},
      {true,
       {"InstallScope=\"perMachine\"",
        "<Directory Id=\"ProgramFiles64Folder\">\n"
        "        <Directory Id=\"INSTALLDIR\" Name=\"Editor\">",
        "<RegistryValue Root=\"HKLM\"",
        "<RegistryValue Root=\"HKLM\" Key=\"Software\\Classes\\Editor.bib\\DefaultIcon\" "
        "Type=\"string\" Value=\"[#" +
            fileId("Editor.exe") + "],0\" />",
        "PathEntry\t=-*PATH\t[~];[INSTALLDIR]\tPathEntry\r\n"},
       {"LocalAppDataFolder", "HKCU", "\t=-PATH"}},
  };
  for (const auto& row : cases) {
    Installer installer = editor(image);
    installer.perMachine = row.perMachine;
    installer.onPath = true;
    installer.associations = {{"bib", "", "text/x-bibtex", ""}};
    const std::string source = wixSource(installer) + environmentTable(installer);
    for (const std::string& part : row.present) EXPECT_TRUE(holds(source, part)) << part << source;
    for (const std::string& part : row.absent) EXPECT_FALSE(holds(source, part)) << part;
  }
}

TEST(Wix, GivesEachFileAComponentAndTheShortcutsTheExeAndAnAppUserModelId) {
  const Image image = editorImage();
  const std::string exe = fileId("Editor.exe");
  for (bool desktop : {false, true}) {
    SCOPED_TRACE(desktop);
    Installer installer = editor(image);
    installer.desktopShortcut = desktop;
    const std::string source = wixSource(installer);
    const std::string shortcut =
        "\" Name=\"Editor\" Description=\"Edits &lt;texts&gt;\" Target=\"[#" + exe +
        "]\" WorkingDirectory=\"INSTALLDIR\" />";
    EXPECT_TRUE(holds(source, "<Shortcut Id=\"StartMenuShortcut" + shortcut));
    EXPECT_EQ(holds(source, "<Shortcut Id=\"DesktopShortcut" + shortcut), desktop);
    EXPECT_TRUE(holds(source, "<File Id=\"" + fileId("lib\\editor.jar") +
                                  "\" Name=\"editor.jar\" Source=\"Editor/lib/editor.jar\" "
                                  "KeyPath=\"yes\" />"));
    EXPECT_TRUE(holds(source, "<Property Id=\"ARPPRODUCTICON\" Value=\"ApplicationIcon.exe\" />"));
    std::string table =
        "MsiShortcutProperty\tShortcut_\tPropertyKey\tPropVariantValue\r\n"
        "s72\ts72\ts0\ts0\r\n"
        "MsiShortcutProperty\tMsiShortcutProperty\r\n"
        "StartMenuShortcutId\tStartMenuShortcut\tSystem.AppUserModel.ID\tExample.Editor\r\n";
    if (desktop)
      table += "DesktopShortcutId\tDesktopShortcut\tSystem.AppUserModel.ID\tExample.Editor\r\n";
    EXPECT_EQ(shortcutPropertyTable(installer), table);
  }
  // A file keeps its identifier, and so its component's code, from version to version.
  EXPECT_EQ(fileId("lib\\Editor.jar"), fileId("LIB\\editor.jar"));
  EXPECT_NE(fileId("lib\\editor.jar"), fileId("lib\\util.jar"));
}

TEST(Wix, ReadsFileAssociationsAsTheJdksPackagerWritesThem) {
  const struct {
    std::string text;
    std::string read;  // extension|description|mime-type|icon, or the error
  } cases[] = {
      {"# BibTeX\r\nextension=bib\r\nmime-type = text/x-bibtex\r\ndescription=BibTeX "
       "database\r\nicon=bib.ico\r\n",
       "bib|BibTeX database|text/x-bibtex|bib.ico"},
      {"! comment\nextension: .Ext2\n", "Ext2|||"},
      {"description=no extension\n",
       "--file-associations: bib.properties gives no extension of letters and digits "
       "(\"extension=\"): give one such as extension=bib"},
      {"extension=b b\n",
       "--file-associations: bib.properties gives no extension of letters and digits "
       "(\"extension=b b\"): give one such as extension=bib"},
  };
  for (const auto& row : cases) {
    std::string read;
    try {
      const FileAssociation a = parseFileAssociation("bib.properties", row.text);
      read = a.extension + "|" + a.description + "|" + a.mimeType + "|" + a.icon;
    } catch (const std::exception& error) {
      read = error.what();
    }
    EXPECT_EQ(read, row.read);
  }
}

TEST(Wix, DerivesCodesThatLetALaterVersionReplaceAnEarlierOne) {
  // Name-based UUIDs as RFC 4122 gives them (version 5, the DNS namespace).
  EXPECT_EQ(
      formatUuid(nameBasedUuid(*parseUuid("6ba7b810-9dad-11d1-80b4-00c04fd430c8"), "python.org")),
      "{886313E1-3B8A-5372-9B90-0C9AEE199E5D}");
  // Changing this derivation would keep every installed version from being upgraded.
  EXPECT_EQ(upgradeCodeFor("Example Ltd", "Editor"), "{C63DD3CB-0A62-54B4-A786-64E30AF3E37B}");
  EXPECT_EQ(upgradeCodeFor("example ltd", "EDITOR"), upgradeCodeFor("Example Ltd", "Editor"));
  EXPECT_NE(upgradeCodeFor("Example Ltd", "Viewer"), upgradeCodeFor("Example Ltd", "Editor"));
  EXPECT_NE(upgradeCodeFor("Other Ltd", "Editor"), upgradeCodeFor("Example Ltd", "Editor"));
  EXPECT_NE(upgradeCodeFor("Example", "Ltd Editor"), upgradeCodeFor("Example Ltd", "Editor"));

  const Image image = editorImage();
  Installer first = editor(image);
  first.productCode.clear();
  Installer later = first;
  later.version = "2.4";
  EXPECT_TRUE(holds(wixSource(later), "UpgradeCode=\"" + first.upgradeCode + "\""));
  EXPECT_TRUE(holds(wixSource(later),
                    "<UpgradeVersion Minimum=\"2.4\" IncludeMinimum=\"no\" OnlyDetect=\"yes\" "
                    "Property=\"NEWERVERSIONFOUND\" />"));
  const std::string code = productCodeFor(first, "digest");
  EXPECT_EQ(productCodeFor(first, "digest"), code);
  EXPECT_NE(productCodeFor(later, "digest"), code);
  EXPECT_NE(productCodeFor(first, "other files"), code);
  first.productCode = code;
  EXPECT_NE(packageCodeFor(first), code);
  EXPECT_EQ(packageCodeFor(first), packageCodeFor(first));

  EXPECT_EQ(defaultAppUserModelId("Example Ltd.", "Editor Pro", ""), "ExampleLtd.EditorPro");
  EXPECT_EQ(defaultAppUserModelId("Ütil", "Édit", "{AB-CD}"), "til.dit");
  EXPECT_EQ(defaultAppUserModelId("Ω", "Ω", "{AB-CD}"), "ABCD");
}

}  // namespace
}  // namespace carafe::pack
