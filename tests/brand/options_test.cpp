// carafe-brand's command line.
#include "brand/options.h"

#include <gtest/gtest.h>

namespace carafe::brand {
namespace {

using Words = std::vector<std::string>;

TEST(Options, TakesGnuStyleOptionsAnywhere) {
  const Options options =
      parseOptions({"--icon", "a.ico", "in.exe", "-dEditor", "--prod=Example Editor", "out.exe",
                    "-a", "2.3", "--company=", "--copyright", "© x", "-p", "Last"});
  EXPECT_EQ(options.icon, "a.ico");
  EXPECT_EQ(options.description, "Editor");
  EXPECT_EQ(options.product, "Last");
  EXPECT_EQ(options.version, "2.3");
  EXPECT_EQ(options.company, "");
  EXPECT_EQ(options.copyright, "© x");
  EXPECT_EQ(options.input, "in.exe");
  EXPECT_EQ(options.output, "out.exe");
  const Options dashes = parseOptions({"--", "-in.exe", "--out.exe"});
  EXPECT_EQ(dashes.input, "-in.exe");
  EXPECT_EQ(dashes.output, "--out.exe");
  EXPECT_TRUE(parseOptions({"--help"}).help);
  EXPECT_TRUE(parseOptions({"--vers"}).showVersion);
}

TEST(Options, RefusesCommandLinesItCannotUse) {
  const std::string VERSION_SHOWS =
      ": it shows carafe-brand's own version and brands nothing; "
      "give the application's version with --app-version";
  const std::pair<Words, std::string> cases[] = {
      {{"in.exe"}, "name the launcher to brand and the output file"},
      {{"a", "b", "c"}, "more than two files named: c"},
      {{"a", "b", "--colour"}, "unknown option --colour"},
      {{"a", "b", "--co=x"}, "option --co is ambiguous"},
      {{"a", "b", "-x"}, "unknown option -x"},
      {{"a", "b", "--icon"}, "option --icon needs a value"},
      {{"--version=2.3.1"}, "option --version takes no value" + VERSION_SHOWS},
      {{"--version", "2.3.1"}, "option --version stands alone" + VERSION_SHOWS},
      {{"a", "b", "--vers"}, "option --version stands alone" + VERSION_SHOWS},
      {{"-hx"},
       "option -h takes no value: it shows how to use carafe-brand and brands nothing; give the "
       "application's version with --app-version"},
      {{"a", "--help"},
       "option --help stands alone: it shows how to use carafe-brand and brands nothing; give the "
       "application's version with --app-version"},
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
}  // namespace carafe::brand
