// carafe-pack's command line: every option, and the refusals, each naming
// the option it is about.
#include "pack/options.h"

#include <gtest/gtest.h>

#include "pack/error.h"

namespace carafe::pack {
namespace {

using Words = std::vector<std::string>;

Words required(Words more) {
  Words words = {"--name", "Editor", "--input", "jars", "--main-class", "com.example.Main"};
  words.insert(words.end(), more.begin(), more.end());
  return words;
}

TEST(Options, TakesEveryOption) {
  const PackOptions o = parseOptions({"--name=Editor Pro",
                                      "--app-version",
                                      "2.3.1",
                                      "--vendor",
                                      "Example Ltd",
                                      "--description",
                                      "Edits",
                                      "--copyright",
                                      "(c) Example",
                                      "--icon",
                                      "e.ico",
                                      "--input",
                                      "target/jars",
                                      "--main-class",
                                      "com.example.Main",
                                      "--java-version",
                                      "17+",
                                      "--vmparam",
                                      "-Xmx1g",
                                      "--vmparam=-Da=b c",
                                      "--argument",
                                      "",
                                      "--argument",
                                      "--open",
                                      "--console",
                                      "--type",
                                      "zip",
                                      "--type",
                                      "msi",
                                      "--type",
                                      "zip",
                                      "--dest",
                                      "out",
                                      "--launchers",
                                      "bin",
                                      "--per-machine",
                                      "--desktop-shortcut",
                                      "--upgrade-code",
                                      "6f1c2a2e-4c8e-5b8e-9a51-0a5b8f0e2c11",
                                      "--app-user-model-id",
                                      "Example.Editor",
                                      "--sign",
                                      "key.p12",
                                      "--timestamp-url",
                                      "http://timestamp.example.com"});
  EXPECT_EQ(o.name, "Editor Pro");
  EXPECT_EQ(o.appVersion, "2.3.1");
  EXPECT_EQ(o.vendor, "Example Ltd");
  EXPECT_EQ(o.description, "Edits");
  EXPECT_EQ(o.copyright, "(c) Example");
  EXPECT_EQ(o.icon, "e.ico");
  EXPECT_EQ(o.input, "target/jars");
  EXPECT_EQ(o.mainClass, "com.example.Main");
  EXPECT_EQ(o.javaVersion, "17+");
  EXPECT_EQ(o.vmParams, (Words{"-Xmx1g", "-Da=b c"}));
  EXPECT_EQ(o.arguments, (Words{"", "--open"}));
  EXPECT_TRUE(o.console);
  EXPECT_EQ(o.types, (Words{"zip", "msi"}));
  EXPECT_EQ(o.dest, "out");
  EXPECT_EQ(o.launchers, "bin");
  EXPECT_TRUE(o.perMachine);
  EXPECT_TRUE(o.desktopShortcut);
  EXPECT_EQ(o.upgradeCode, "6f1c2a2e-4c8e-5b8e-9a51-0a5b8f0e2c11");
  EXPECT_EQ(o.appUserModelId, "Example.Editor");
  EXPECT_EQ(o.sign, "key.p12");
  EXPECT_EQ(o.timestampUrl, "http://timestamp.example.com");

  const PackOptions more = parseOptions(
      required({"--working-directory", "install", "--download-url", "https://example.com/java",
                "--user-options", "off", "--exit-notice", "abnormal", "--startup-cache", "off",
                "--config-line", "include x.config", "--description", "Edits", "--type", "zip"}));
  EXPECT_EQ(more.workingDirectory, "install");
  EXPECT_EQ(more.downloadUrl, "https://example.com/java");
  EXPECT_EQ(more.userOptions, "off");
  EXPECT_EQ(more.exitNotice, "abnormal");
  EXPECT_EQ(more.startupCache, "off");
  EXPECT_EQ(more.configLines, (Words{"include x.config"}));
  EXPECT_EQ(more.description, "Edits");

  const PackOptions defaults = parseOptions(required({}));
  EXPECT_EQ(defaults.userOptions, "on");
  EXPECT_EQ(defaults.startupCache, "on");
  EXPECT_EQ(defaults.types, (Words{"app-image"}));
  EXPECT_EQ(defaults.appVersion, "1.0");
  EXPECT_EQ(defaults.dest, ".");
  EXPECT_TRUE(parseOptions({"--help"}).help);
}

TEST(Options, RefusesEachBadValueNamingItsOption) {
  const std::string MSI_TEXT =
      "\", which an installer that wixl builds cannot hold: its texts are in Windows code page "
      "1252 (Western European)";
  const std::pair<Words, std::string> cases[] = {
      {{"--input", "j", "--main-class", "M"},
       "--name is required: the application's name, which its exe, configuration and folder "
       "take"},
      {required({"--name", "a:b"}),
       "--name: \"a:b\" holds \":\", which Windows file names cannot hold; the name is the "
       "application's exe, configuration and folder"},
      {required({"--name", "Editor."}),
       "--name: \"Editor.\" ends with a space or a dot, which Windows drops from file names; the "
       "name is the application's exe, configuration and folder"},
      {required({"--name", "con"}),
       "--name: \"con\" is a name that Windows keeps for a device; the name is the application's "
       "exe, configuration and folder"},
      {required({"--name", "A$B"}),
       "--name: \"A$B\" holds \"$\", which the launcher's configuration takes for an environment "
       "variable and wixl for a variable of its own; give a name without \"$\""},
      {required({"--app-version", "2.x"}),
       "--app-version: \"2.x\" is not a version: give 1 to 4 numbers from 0 to 65535 separated by "
       "dots, such as 2.3.1"},
      {required({"--main-class", "com..Main"}),
       "--main-class: \"com..Main\" is not a class name: give the full name of the class with the "
       "main method, such as com.example.editor.Main"},
      {required({"--main-class", "a.Outer$Main"}),
       "--main-class: \"a.Outer$Main\" holds \"$\", which the launcher's mainclass line takes for "
       "an environment variable; give a class whose name has no \"$\""},
      {required({"--java-version", "17.x"}),
       "--java-version: \"17.x\" is not a Java version: give 17+ (17 or later), 17 (the highest "
       "17), 1.8.0_60+ (1.8.0 from update 60 on) or 1.8.0_60 (exactly that one)"},
      {required({"--type", "exe"}), "--type: \"exe\" is not a type: give app-image, zip or msi"},
      {required({"--jvm", "inside"}),
       "--jvm: \"inside\" is not where Java runs: give launcher or separate"},
      {required({"--vendor", "Example\nLtd"}),
       "--vendor: \"Example\nLtd\" holds the control character \\n"},
      {required({"--upgrade-code", "6f1c2a2e", "--type", "msi", "--vendor", "V"}),
       "--upgrade-code: \"6f1c2a2e\" is not a GUID: give one such as "
       "{6F1C2A2E-4C8E-5B8E-9A51-0A5B8F0E2C11}, or leave the option out to derive it from "
       "--vendor and --name"},
      {required({"--app-user-model-id", "Example Editor"}),
       "--app-user-model-id: \"Example Editor\" is not an AppUserModelID: give up to 128 "
       "printable ASCII characters without spaces, such as ExampleLtd.Editor"},
      {required({"--per-machine"}),
       "--per-machine is about the installer, which is not made: add --type msi"},
      {required({"--launch-after-install", "--type", "zip"}),
       "--launch-after-install is about the installer, which is not made: add --type msi"},
      {required({"--start-menu-shortcut", "--type", "msi", "--vendor", "V"}),
       "--start-menu-shortcut is for a command-line application, which has none otherwise: add "
       "--console, or leave it out (an application with a window always has one)"},
      {required({"--working-directory", "here"}),
       "--working-directory: \"here\" is not a working directory: give caller (where the "
       "application is started from) or install (its install folder)"},
      {required({"--startup-cache", "yes"}), "--startup-cache: \"yes\" is neither on nor off"},
      {required({"--exit-notice", "always"}),
       "--exit-notice: \"always\" is not an exit notice: give abnormal"},
      {required({"--download-url", "https:///java"}),
       "--download-url: \"https:///java\" is not an http or https address with a host (and "
       "without spaces, quotes or \"$\")"},
      {required({"--config-line", "Vmparam -Xss2m"}),
       "--config-line: \"Vmparam -Xss2m\" is not a line the launcher knows: give a keyword, one "
       "space and its value, such as \"vmparam -Xss2m\" (the keywords are in the README, "
       "written exactly in their letter case)"},
      {required({"--config-line", "vmparam"}),
       "--config-line: \"vmparam\" is not a line the launcher knows: give a keyword, one space "
       "and its value, such as \"vmparam -Xss2m\" (the keywords are in the README, written "
       "exactly in their letter case)"},
      {required({"--config-line", "vmparam -Da\nb"}),
       "--config-line: \"vmparam -Da\nb\" holds the control character \\n"},
      {required({"--type", "msi"}),
       "--vendor is required: an installer names its publisher, and tells this application's "
       "versions from other applications by vendor and name"},
      {required({"--type", "msi", "--vendor", "V", "--app-version", "300.1"}),
       "--app-version: \"300.1\" cannot be an installer's version: Windows Installer takes a "
       "major and a minor version up to 255 (and a build number up to 65535)"},
      {required({"--type", "msi", "--vendor", "Example Ω"}),
       "--vendor: \"Example Ω\" holds \"Ω" + MSI_TEXT},
      {required({"--type", "msi", "--vendor", "V", "--description", "Costs $5"}),
       "--description: \"Costs $5\" holds \"$\", which wixl takes for a variable of its own and "
       "changes; give the text without it"},
      {required({"--timestamp-url", "http://timestamp.example.com"}),
       "--timestamp-url time-stamps the signatures, which are not made: add --sign"},
      {required({"--sign", "k.p12", "--timestamp-url", "ftp://example.com"}),
       "--timestamp-url: \"ftp://example.com\" is not an http or https address"},
      {required({"--colour", "red"}), "unknown option --colour"},
      {required({"jars"}),
       "unexpected argument \"jars\": every value follows the option it belongs to"},
      {required({"--console=yes"}), "option --console takes no value"},
      {required({"--vmparam"}), "option --vmparam needs a value"},
      {{"--version", "2.3.1"},
       "option --version stands alone: it shows carafe-pack's own version and packs nothing; give "
       "the application's version with --app-version"},
  };
  for (const auto& [words, message] : cases) {
    try {
      parseOptions(words);
      ADD_FAILURE() << "accepted: " << message;
    } catch (const UsageError& error) {
      EXPECT_EQ(error.what(), message);
    }
  }
}

}  // namespace
}  // namespace carafe::pack
