// carafe-brand: writes a copy of a carafe launcher with the application's
// icon and version information. See usage() in options.cpp.
#include <cstdio>
#include <exception>
#include <string>

#include "brand/brand.h"
#include "brand/options.h"
#include "brand/paths.h"
#include "brand/system.h"
#include "brand/utf.h"
#include "core/version.h"

namespace {

using namespace carafe::brand;

constexpr int EXIT_REFUSED = 1;
constexpr int EXIT_USAGE = 2;
// Neither a launcher nor an icon comes near this.
constexpr std::uint64_t MAX_INPUT_SIZE = std::uint64_t{256} << 20;

// Says what is wrong with a file; the output is not written.
int fail(const std::string& file, const std::string& what) {
  std::fprintf(stderr, "carafe-brand: %s: %s\n", file.c_str(), what.c_str());
  return EXIT_REFUSED;
}

// A text option that is not UTF-8 is a fault of the command line.
void checkText(const char* option, const std::string& text) {
  try {
    utf8ToUtf16(text);
  } catch (const BrandError& error) {
    throw UsageError(std::string(option) + ": " + error.what());
  }
}

BrandRequest requestOf(const Options& options) {
  BrandRequest request;
  request.outputName = fileName(options.output);
  request.description = options.description;
  request.product = options.product;
  request.company = options.company;
  request.copyright = options.copyright;
  checkText("--description", options.description);
  checkText("--product", options.product);
  checkText("--company", options.company);
  checkText("--copyright", options.copyright);
  checkText(options.output.c_str(), request.outputName);
  if (!options.version.empty()) {
    try {
      request.version = parseVersionNumber(options.version);
    } catch (const BrandError& error) {
      throw UsageError(std::string("--app-version: ") + error.what());
    }
  }
  return request;
}

int brand(const Options& options) {
  BrandRequest request = requestOf(options);
  if (options.input == options.output || sameFile(options.input, options.output)) {
    return fail(options.output,
                "names the launcher itself, which carafe-brand never changes; name another "
                "output file");
  }
  std::string subject = options.input;
  try {
    const Bytes exe = readFile(options.input, MAX_INPUT_SIZE);
    if (!options.icon.empty()) {
      subject = options.icon;
      request.icons = readIcon(readFile(options.icon, MAX_INPUT_SIZE));
    }
    subject = options.input;
    const Bytes branded = brandLauncher(exe, request);
    subject = options.output;
    writeFileSafely(options.output, branded);
    return 0;
  } catch (const BrandError& error) {
    return fail(subject, error.what());
  }
}

}  // namespace

int main(int argc, char** argv) {
  restrictLibrarySearch();
  try {
    const std::vector<std::string> arguments = commandLineArguments(argc, argv);
    const Options options = parseOptions(
        std::vector<std::string>(arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end()));
    if (options.help) {
      std::fputs(usage().c_str(), stdout);
      return 0;
    }
    if (options.showVersion) {
      std::printf("carafe-brand %s\n", CARAFE_VERSION_TEXT);
      return 0;
    }
    return brand(options);
  } catch (const UsageError& error) {
    std::fprintf(stderr, "carafe-brand: %s\nTry \"carafe-brand --help\" for more.\n", error.what());
    return EXIT_USAGE;
  } catch (const std::exception& error) {
    // Out of memory, or a fault of carafe-brand's own.
    std::fprintf(stderr, "carafe-brand: %s\n", error.what());
    return EXIT_REFUSED;
  }
}
