// carafe-pack: from a build's jars to the application's Windows folder, a zip
// of it and an installer. See usage() in options.cpp.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "brand/brand.h"
#include "brand/paths.h"
#include "brand/system.h"
#include "check/machine.h"
#include "check/zip_entries.h"
#include "core/version.h"
#include "pack/configuration.h"
#include "pack/error.h"
#include "pack/image.h"
#include "pack/jars.h"
#include "pack/msi_times.h"
#include "pack/names.h"
#include "pack/options.h"
#include "pack/sha1.h"
#include "pack/sha256.h"
#include "pack/system.h"
#include "pack/uuid.h"
#include "pack/wix.h"
#include "pack/zip.h"
#include "platform/platform.h"

namespace {

using namespace carafe::pack;

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
// No launcher, icon, jar or runtime file comes near this.
constexpr std::uint64_t MAX_INPUT_SIZE = std::uint64_t{1} << 30;

std::string inQuotes(const std::string& text) { return "\"" + text + "\""; }

carafe::brand::Bytes readInput(const std::string& path) {
  try {
    return carafe::brand::readFile(path, MAX_INPUT_SIZE);
  } catch (const carafe::brand::BrandError& error) {
    throw PackError(path + ": " + error.what());
  }
}

// The times in every output: SOURCE_DATE_EPOCH, as in the release archives.
std::int64_t epochOf(bool& given) {
  std::string text;
  given = carafe::platform::environmentValue("SOURCE_DATE_EPOCH", text) && !text.empty();
  if (!given) return ZIP_EARLIEST;
  std::int64_t epoch = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || epoch > (std::int64_t{1} << 40)) {
      throw UsageError("SOURCE_DATE_EPOCH: " + inQuotes(text) +
                       " is not a number of seconds since 1970");
    }
    epoch = epoch * 10 + (c - '0');
  }
  return epoch;
}

struct Tools {
  std::string wixl;
  std::string msibuild;
  std::string osslsigncode;
};

std::string requireTool(const char* name, const char* option, const char* package) {
  const std::string path = findProgram(name);
  if (path.empty()) {
    throw PackError(std::string(option) + ": " + name +
                    " is not installed (it is looked for on PATH): install it, on Debian and "
                    "Ubuntu with \"apt-get install " +
                    package + "\"");
  }
  return path;
}

// Everything carafe-pack makes, in a directory of its own inside the
// destination until all of it has been made. Removed, with the destination
// directories made for it, unless it was kept.
class Staging {
 public:
  Staging(const std::string& dest, const std::string& name) {
    made_ = makeDirectories(dest);
    try {
      path_ = makeTemporaryDirectory(dest, "." + name + ".carafe-pack-");
    } catch (const PackError&) {
      removeMade();
      throw;
    }
    // The tools run inside it, so every path they are given is absolute.
    const std::string absolute = realPath(path_);
    if (!absolute.empty()) path_ = absolute;
  }
  ~Staging() {
    removeTree(path_);
    if (!kept_) removeMade();
  }
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;
  const std::string& path() const { return path_; }
  std::string at(const std::string& name) const { return path_ + "/" + name; }
  void keep() { kept_ = true; }

 private:
  void removeMade() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) removeEmptyDirectory(*it);
  }

  std::vector<std::string> made_;
  std::string path_;
  bool kept_ = false;
};

bool endsWithJar(const std::string& path) {
  if (path.size() < 4) return false;
  std::string end = path.substr(path.size() - 4);
  for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return end == ".jar";
}

// The entries of a jar of --input; PackError naming it when it is not a zip
// whose central directory can be read.
std::vector<std::string> jarEntries(const ImageFile& file) {
  std::uint64_t size = 0;
  std::string first;
  if (!carafe::check::readFileRange(file.source, 0, 0, first, size)) {
    throw PackError("--input: " + file.source + " cannot be read");
  }
  std::vector<std::string> names;
  std::string problem;
  const auto read = [&file](std::uint64_t offset, std::size_t count, std::string& bytes) {
    std::uint64_t ignored = 0;
    return carafe::check::readFileRange(file.source, offset, count, bytes, ignored);
  };
  if (!carafe::check::readZipEntries(size, read, names, problem)) {
    throw PackError("--input: " + file.source + " cannot be read as a jar: " + problem +
                    "; rebuild it, or remove it from --input");
  }
  return names;
}

// Every jar of --input is read before anything is written; those of the
// classpath hold the main class once, and no library twice.
std::vector<std::string> checkInputJars(const PackOptions& options, const Image& image) {
  std::vector<JarContents> classpath(image.classpath.size());
  for (const ImageFile& file : image.files) {
    if (file.source.empty() || file.path.compare(0, 4, "lib\\") != 0 || !endsWithJar(file.path)) {
      continue;
    }
    std::vector<std::string> entries = jarEntries(file);
    const auto at = std::find(image.classpath.begin(), image.classpath.end(), file.path);
    if (at == image.classpath.end()) continue;
    JarContents& jar = classpath[static_cast<std::size_t>(at - image.classpath.begin())];
    jar.name = carafe::brand::fileName(file.source);
    jar.entries = std::move(entries);
  }
  return checkJars(classpath, options.mainClass);
}

// The feature release in a runtime's release file (JAVA_VERSION="17.0.2"),
// 0 when it tells none.
int releaseMajor(const std::string& runtime) {
  const carafe::brand::Bytes bytes = readInput(runtime + "/release");
  const std::string text(bytes.begin(), bytes.end());
  const std::string key = "JAVA_VERSION=\"";
  const std::size_t at = text.find(key);
  if (at == std::string::npos || (at > 0 && text[at - 1] != '\n')) return 0;
  return majorOf(text.substr(at + key.size()));
}

// A runtime for another system is told as such before its files are listed,
// where a Linux JDK's links could otherwise be what is reported.
void checkRuntimeSystem(const std::string& runtime) {
  const auto has = [&runtime](const char* relative) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::u8path(runtime + "/" + relative), error);
  };
  if (has("bin/java.exe") || !has("bin/java")) return;  // the listing tells what is missing
  const char* system = has("lib/server/libjvm.so")      ? "a Linux"
                       : has("lib/server/libjvm.dylib") ? "a macOS"
                                                        : "a non-Windows";
  throw PackError("--bundled-runtime: " + runtime + " is " + system +
                  " Java runtime (bin/java, no bin/java.exe); the application needs a Windows "
                  "one: make it on this machine with jlink and a Windows JDK's jmods (see "
                  "docs/packaging.md)");
}

// The --file-associations files; the icon each names goes into the folder as
// "icons\\<extension>.ico".
std::vector<FileAssociation> fileAssociations(const PackOptions& options, Image& image) {
  std::vector<FileAssociation> associations;
  for (const std::string& file : options.fileAssociations) {
    const carafe::brand::Bytes text = readInput(file);
    FileAssociation association = parseFileAssociation(file, std::string(text.begin(), text.end()));
    for (const FileAssociation& earlier : associations) {
      if (foldedName(earlier.extension) == foldedName(association.extension)) {
        throw UsageError("--file-associations: ." + association.extension +
                         " is given twice; give each extension once");
      }
    }
    if (!association.icon.empty()) {
      try {
        carafe::brand::readIcon(readInput(association.icon));
      } catch (const carafe::brand::BrandError& error) {
        throw PackError("--file-associations: " + file + ": icon " + association.icon + ": " +
                        error.what());
      }
      const std::string path = "icons\\" + association.extension + ".ico";
      image.files.push_back({path, association.icon, false});
      association.icon = path;
    }
    associations.push_back(association);
  }
  std::sort(image.files.begin(), image.files.end(),
            [](const ImageFile& a, const ImageFile& b) { return a.path < b.path; });
  return associations;
}

void warn(const std::vector<std::string>& warnings) {
  for (const std::string& warning : warnings) {
    std::fprintf(stderr, "carafe-pack: warning: %s\n", warning.c_str());
  }
}

carafe::brand::Bytes brandedExe(const PackOptions& options, const std::string& argumentZero) {
  const std::string directory =
      options.launchers.empty() ? programDirectory(argumentZero) : options.launchers;
  const std::string launcher =
      directory + "/" + (options.console ? "carafe-console.exe" : "carafe.exe");
  carafe::brand::BrandRequest request;
  request.outputName = options.name + ".exe";
  request.description = options.name;
  request.product = options.name;
  request.company = options.vendor;
  request.copyright = options.copyright;
  request.version = carafe::brand::parseVersionNumber(options.appVersion);
  carafe::brand::Bytes exe;
  try {
    exe = carafe::brand::readFile(launcher, MAX_INPUT_SIZE);
  } catch (const carafe::brand::BrandError& error) {
    throw PackError(launcher + ": " + error.what() +
                    (options.launchers.empty()
                         ? "; name the directory of carafe.exe and carafe-console.exe with "
                           "--launchers"
                         : ""));
  }
  if (!options.icon.empty()) {
    try {
      request.icons = carafe::brand::readIcon(readInput(options.icon));
    } catch (const carafe::brand::BrandError& error) {
      throw PackError("--icon: " + options.icon + ": " + error.what());
    }
  }
  try {
    return carafe::brand::brandLauncher(exe, request);
  } catch (const carafe::brand::BrandError& error) {
    throw PackError(launcher + ": " + error.what());
  }
}

void sign(const Tools& tools, const PackOptions& options, const Staging& staging,
          const std::string& file, std::int64_t epoch, bool epochGiven) {
  std::string password;
  carafe::platform::environmentValue("CARAFE_SIGN_PASSWORD", password);
  const std::string passwordFile = staging.at("signing-password");
  removeTree(passwordFile);
  writeNewFile(passwordFile, carafe::brand::Bytes(password.begin(), password.end()), epoch, true);
  const std::string certificate = realPath(options.sign);
  if (certificate.empty()) throw PackError("--sign: " + options.sign + " cannot be read");
  std::vector<std::string> arguments = {"sign",       "-pkcs12",    certificate,
                                        "-readpass",  passwordFile, "-n",
                                        options.name, "-h",         "sha256"};
  if (!options.timestampUrl.empty()) {
    arguments.push_back("-ts");
    arguments.push_back(options.timestampUrl);
  } else if (epochGiven) {
    arguments.push_back("-time");
    arguments.push_back(std::to_string(epoch));
  }
  arguments.insert(arguments.end(), {"-in", file, "-out", file + ".signed"});
  const ProgramRun run =
      runProgram(tools.osslsigncode, arguments, staging.path(), staging.at("osslsigncode.txt"));
  removeTree(passwordFile);
  if (run.exitCode != 0) {
    removeTree(file + ".signed");
    throw PackError("--sign: osslsigncode could not sign " + carafe::brand::fileName(file) +
                    " (exit code " + std::to_string(run.exitCode) + "):\n" + run.output);
  }
  removeTree(file);
  movePath(file + ".signed", file);
}

// Where the outputs go must not be among the inputs, which the next run
// would pack again.
void checkDestination(const PackOptions& options) {
  const std::string input = realPath(options.input);
  const std::string dest = realPath(options.dest);
  const bool inside = dest.size() > input.size() && dest.compare(0, input.size(), input) == 0 &&
                      (dest[input.size()] == '/' || dest[input.size()] == '\\');
  if (dest == input || inside) {
    throw UsageError("--dest: " + options.dest + " is inside --input " + options.input +
                     ", whose files the next run would pack again; give another directory");
  }
}

std::string upgradeCodeOf(const PackOptions& options) {
  return options.upgradeCode.empty() ? upgradeCodeFor(options.vendor, options.name)
                                     : formatUuid(*parseUuid(options.upgradeCode));
}

struct Packing {
  const PackOptions& options;
  const Image& image;
  const Staging& staging;
  std::string folder;  // the folder as it is staged
  std::int64_t epoch = ZIP_EARLIEST;
  bool epochGiven = false;
  Tools tools;
  std::vector<FileAssociation> associations;
};

// The folder, its files' times the epoch's, the exe signed when asked to.
void stageFolder(const Packing& packing, const carafe::brand::Bytes& exe,
                 const std::string& configuration) {
  const Image& image = packing.image;
  makeDirectory(packing.folder);
  for (const std::string& directory : imageDirectories(image)) {
    if (!directory.empty()) makeDirectory(sourcePath(packing.folder, directory));
  }
  for (const ImageFile& file : image.files) {
    const std::string target = sourcePath(packing.folder, file.path);
    if (file.path == image.exe) {
      writeNewFile(target, exe, packing.epoch);
    } else if (file.path == image.configuration) {
      writeNewFile(target, carafe::brand::Bytes(configuration.begin(), configuration.end()),
                   packing.epoch);
    } else {
      writeNewFile(target, readInput(file.source), packing.epoch);
    }
  }
  if (!packing.options.sign.empty()) {
    const std::string staged = sourcePath(packing.folder, image.exe);
    sign(packing.tools, packing.options, packing.staging, staged, packing.epoch,
         packing.epochGiven);
    setTime(staged, packing.epoch);
  }
  for (const std::string& directory : imageDirectories(image)) {
    setTime(sourcePath(packing.folder, directory), packing.epoch);
  }
}

// The zip of the staged folder (when it is asked for), and the digest of the
// folder's files that the installer's codes are derived from: both read
// what was staged, the signed exe included.
std::string zipFolder(const Packing& packing, const std::string& zipPath) {
  const PackOptions& options = packing.options;
  const bool wanted = options.wants(TYPE_ZIP);
  std::vector<std::pair<std::string, std::string>> entries;  // name in the zip, staged path
  for (const std::string& directory : imageDirectories(packing.image)) {
    entries.emplace_back(
        options.name + "/" + (directory.empty() ? "" : sourcePath("", directory) + "/"),
        std::string());
  }
  for (const ImageFile& file : packing.image.files) {
    entries.emplace_back(options.name + "/" + sourcePath("", file.path),
                         sourcePath(packing.folder, file.path));
  }
  std::sort(entries.begin(), entries.end());
  const std::string exeEntry = options.name + "/" + packing.image.exe;
  ZipWriter zip(packing.epoch);
  // Written entry by entry: only one file is in memory at a time.
  std::ofstream out;
  if (wanted) {
    writeNewFile(zipPath, carafe::brand::Bytes(), packing.epoch);
    out.open(std::filesystem::u8path(zipPath), std::ios::binary | std::ios::app);
  }
  const auto append = [&out, &zipPath](const carafe::brand::Bytes& part) {
    out.write(reinterpret_cast<const char*>(part.data()),
              static_cast<std::streamsize>(part.size()));
    if (!out) throw PackError(zipPath + ": cannot be written");
  };
  Sha1 digest;
  for (const auto& [name, staged] : entries) {
    if (staged.empty()) {
      if (wanted) append(zip.directory(name));
      continue;
    }
    const carafe::brand::Bytes data = readInput(staged);
    Sha1 file;
    file.add(data.data(), data.size());
    digest.add(name + "\n" + hexDigest(file.finish()) + "\n");
    if (wanted) append(zip.file(name, data, name == exeEntry));
  }
  if (wanted) {
    append(zip.finish());
    out.close();
    if (!out) throw PackError(zipPath + ": cannot be written");
    setTime(zipPath, packing.epoch);
  }
  return hexDigest(digest.finish());
}

void runTool(const Packing& packing, const std::string& tool, const char* what,
             const std::vector<std::string>& arguments, const std::string& log) {
  const ProgramRun run =
      runProgram(tool, arguments, packing.staging.path(), packing.staging.at(log));
  if (run.exitCode != 0) {
    throw PackError(std::string("--type msi: ") + carafe::brand::fileName(tool) + " could not " +
                    what + " (exit code " + std::to_string(run.exitCode) + "):\n" + run.output);
  }
}

// The installer: wixl builds it from the WiX source, msibuild adds the
// shortcuts' AppUserModelID and the package code.
void buildInstaller(const Packing& packing, const std::string& contentDigest,
                    const std::string& msiPath) {
  const PackOptions& options = packing.options;
  const std::int64_t started = std::time(nullptr);
  Installer installer;
  installer.name = options.name;
  installer.version = options.appVersion;
  installer.vendor = options.vendor;
  installer.description = options.description;
  installer.perMachine = options.perMachine;
  installer.desktopShortcut = options.desktopShortcut;
  installer.icon = !options.icon.empty();
  installer.upgradeCode = upgradeCodeOf(options);
  installer.appUserModelId =
      options.appUserModelId.empty()
          ? defaultAppUserModelId(options.vendor, options.name, installer.upgradeCode)
          : options.appUserModelId;
  installer.startMenuShortcut = !options.console || options.startMenuShortcut;
  installer.onPath = options.console;
  installer.aboutUrl = options.aboutUrl;
  installer.launchAfterInstall = options.launchAfterInstall;
  installer.associations = packing.associations;
  installer.image = &packing.image;
  installer.sourceFolder = options.name;
  installer.productCode = productCodeFor(installer, contentDigest);
  const std::string source = wixSource(installer);
  const std::string table = shortcutPropertyTable(installer);
  writeNewFile(packing.staging.at("application.wxs"),
               carafe::brand::Bytes(source.begin(), source.end()), packing.epoch);
  writeNewFile(packing.staging.at("MsiShortcutProperty.idt"),
               carafe::brand::Bytes(table.begin(), table.end()), packing.epoch);
  runTool(packing, packing.tools.wixl, "build the installer",
          {"-a", "x64", "-o", msiPath, "application.wxs"}, "wixl.txt");
  std::vector<std::string> completion = {msiPath};
  if (installer.startMenuShortcut || installer.desktopShortcut) {
    completion.insert(completion.end(), {"-i", "MsiShortcutProperty.idt"});
  }
  const std::string environment = environmentTable(installer);
  if (!environment.empty()) {
    writeNewFile(packing.staging.at("Environment.idt"),
                 carafe::brand::Bytes(environment.begin(), environment.end()), packing.epoch);
    completion.insert(completion.end(), {"-i", "Environment.idt"});
    for (const std::string& query : environmentQueries()) {
      completion.insert(completion.end(), {"-q", query});
    }
  }
  completion.insert(completion.end(), {"-s", options.name + " " + options.appVersion,
                                       options.vendor, "x64;1033", packageCodeFor(installer)});
  runTool(packing, packing.tools.msibuild, "complete the installer", completion, "msibuild.txt");
  // The summary's times are the clock's as the tools ran: the epoch's instead.
  carafe::brand::Bytes msi = readInput(msiPath);
  if (setSummaryTimes(msi, started, std::time(nullptr), packing.epoch) == 0) {
    warn(
        {"--type msi: the installer's summary holds no time of this run to set: two builds "
         "may differ in it"});
  }
  removeTree(msiPath);
  writeNewFile(msiPath, msi, packing.epoch);
  if (!options.sign.empty()) {
    sign(packing.tools, options, packing.staging, msiPath, packing.epoch, packing.epochGiven);
  }
}

// "<output>.sha256" beside it, which "sha256sum -c" checks.
void writeDigestFile(const Packing& packing, const std::string& path, const std::string& name) {
  const carafe::brand::Bytes bytes = readInput(path);
  const std::string line = sha256Line(bytes.data(), bytes.size(), name);
  writeNewFile(path + ".sha256", carafe::brand::Bytes(line.begin(), line.end()), packing.epoch);
}

// Everything is made: each output takes its place, replacing an earlier one.
void putInPlace(const Packing& packing, const std::string& zipPath, const std::string& msiPath,
                const std::string& base) {
  const PackOptions& options = packing.options;
  const std::string destination = options.dest + "/";
  if (options.wants(TYPE_APP_IMAGE)) {
    const std::string target = destination + options.name;
    const std::string earlier = packing.staging.at("earlier");
    const bool replacing = isDirectory(target);
    if (replacing) movePath(target, earlier);
    try {
      movePath(packing.folder, target);
    } catch (const PackError&) {
      if (replacing) movePath(earlier, target);
      throw;
    }
  }
  for (const auto& [type, path] :
       {std::make_pair(TYPE_ZIP, zipPath), std::make_pair(TYPE_MSI, msiPath)}) {
    if (!options.wants(type)) continue;
    const std::string name = base + "." + type;
    movePath(path, destination + name);
    movePath(path + ".sha256", destination + name + ".sha256");
  }
}

int pack(const PackOptions& options, const std::string& argumentZero) {
  bool epochGiven = false;
  const std::int64_t epoch = epochOf(epochGiven);
  Tools tools;
  if (options.wants(TYPE_MSI)) {
    tools.wixl = requireTool("wixl", "--type msi", "wixl msitools");
    tools.msibuild = requireTool("msibuild", "--type msi", "wixl msitools");
  }
  if (!options.sign.empty()) {
    tools.osslsigncode = requireTool("osslsigncode", "--sign", "osslsigncode");
  }

  // Everything that can be checked before anything is written.
  if (!options.bundledRuntime.empty()) checkRuntimeSystem(options.bundledRuntime);
  std::vector<TreeListing> listings;
  for (const ImageTree& tree : IMAGE_TREES) {
    const std::string& directory = options.*(tree.source);
    if (directory.empty()) continue;
    if (!isDirectory(directory)) {
      throw PackError(std::string(tree.option) + ": " + directory + " is not a directory");
    }
    try {
      listings.push_back({&tree, listFiles(directory)});
    } catch (const PackError& error) {
      throw PackError(std::string(tree.option) + ": " + error.what());
    }
  }
  Image image = planImage(options, listings, options.wants(TYPE_MSI));
  const std::vector<FileAssociation> associations = fileAssociations(options, image);
  const std::vector<ConfigurationLine> lines = configurationLines(options, image);
  const int bundledMajor =
      options.bundledRuntime.empty() ? 0 : releaseMajor(options.bundledRuntime);
  warn(checkConfiguration(lines, bundledMajor));
  warn(checkInputJars(options, image));
  const carafe::brand::Bytes exe = brandedExe(options, argumentZero);

  Staging staging(options.dest, options.name);
  checkDestination(options);
  Packing packing{options, image,      staging, staging.at(options.name),
                  epoch,   epochGiven, tools,   associations};
  stageFolder(packing, exe, configurationText(lines));
  const std::string base = options.name + "-" + options.appVersion;
  const std::string zipPath = staging.at(base + ".zip");
  const std::string msiPath = staging.at(base + ".msi");
  const std::string contentDigest = zipFolder(packing, zipPath);
  if (options.wants(TYPE_MSI)) {
    buildInstaller(packing, contentDigest, msiPath);
    // The code that ties every version together: pinned from the first
    // release with --upgrade-code, it survives a change of vendor or name.
    std::printf("carafe-pack: %s.msi: upgrade code %s\n", base.c_str(),
                upgradeCodeOf(options).c_str());
  }
  for (const auto& [type, path] :
       {std::make_pair(TYPE_ZIP, zipPath), std::make_pair(TYPE_MSI, msiPath)}) {
    if (options.wants(type)) writeDigestFile(packing, path, base + "." + type);
  }
  putInPlace(packing, zipPath, msiPath, base);
  staging.keep();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  restrictLibrarySearch();
  try {
    const std::vector<std::string> arguments = carafe::brand::commandLineArguments(argc, argv);
    const PackOptions options = parseOptions(
        std::vector<std::string>(arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end()));
    if (options.help) {
      std::fputs(usage().c_str(), stdout);
      return 0;
    }
    if (options.showVersion) {
      std::printf("carafe-pack %s\n", CARAFE_VERSION_TEXT);
      return 0;
    }
    return pack(options, arguments.empty() ? std::string() : arguments[0]);
  } catch (const UsageError& error) {
    std::fprintf(stderr, "carafe-pack: %s\nTry \"carafe-pack --help\" for more.\n", error.what());
    return EXIT_USAGE;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "carafe-pack: %s\n", error.what());
    return EXIT_FAILED;
  }
}
