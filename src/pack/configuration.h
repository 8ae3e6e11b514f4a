// The application's configuration file, written from the options with the
// keywords a person would write, each group under a comment, and checked by
// the launcher's own rules before anything is written.
#pragma once

#include <string>
#include <vector>

#include "config/reader.h"
#include "pack/image.h"
#include "pack/options.h"

namespace carafe::pack {

struct ConfigurationLine {
  std::string text;  // as written, without its line end
  bool keywordLine = false;
  Keyword keyword = Keyword::VMPARAM;  // with keywordLine
  std::string value;                   // with keywordLine: everything after the space
  std::string javaReceives;            // what Java is to get for it (vmparam, addjar, argument)
  std::string option;                  // the option the line comes from
  bool given = false;  // from --config-line: checked as a line, its value as it stands
};

// The user's own options file that the configuration's optionalInclude line
// names: "$APPDATA\\Example Ltd\\Editor\\Editor.user.config".
std::string userOptionsFile(const PackOptions& options);

std::vector<ConfigurationLine> configurationLines(const PackOptions& options, const Image& image);

// The file's text: the lines with CR LF ends, which Notepad shows as lines too.
std::string configurationText(const std::vector<ConfigurationLine>& lines);

// Whether the launcher will read each line as it is meant: every comment as
// a comment, every keyword line as that keyword with that value, and Java
// given exactly the options, classpath, main class and arguments, by the
// launcher's own reader and composition under the Windows conventions. Throws
// UsageError naming the option of the first line that would not be, with
// what the launcher makes of it. A Java command longer than Windows starts is
// refused (PackError) only where the Java is known to be older than 9, which
// cannot read the argument file the launcher then writes; where the Java is
// not known, the warning is returned. bundledRuntimeMajor: the feature
// release of the bundled runtime, 0 for none or unknown.
std::vector<std::string> checkConfiguration(const std::vector<ConfigurationLine>& lines,
                                            int bundledRuntimeMajor = 0);

// The feature release of a Java version: 17 of "17+" or "17.0.2", 8 of
// "1.8.0_60"; 0 when it has none.
int majorOf(const std::string& version);

}  // namespace carafe::pack
