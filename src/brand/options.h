// carafe-brand's command line, GNU style: options before, between or after
// the two file names, "--name value", "--name=value", unambiguous
// abbreviations of long names, "-x value" and "-xvalue", and "--" before
// names that begin with "-".
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace carafe::brand {

// A command line that cannot be used; the program says so and ends with 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Options {
  std::string input;
  std::string output;
  std::string icon;
  std::string description;
  std::string product;
  std::string version;
  std::string company;
  std::string copyright;
  bool help = false;
  bool showVersion = false;
};

// arguments without the program's own name.
Options parseOptions(const std::vector<std::string>& arguments);

// The text --help prints.
std::string usage();

}  // namespace carafe::brand
