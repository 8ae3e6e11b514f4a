#include "pack/image.h"

#include <algorithm>
#include <map>

#include "pack/error.h"
#include "pack/names.h"

namespace carafe::pack {

const std::vector<ImageTree> IMAGE_TREES = {
    {"--input", &PackOptions::input, "lib", true, false},
    {"--bundled-runtime", &PackOptions::bundledRuntime, "runtime", false, true},
};

namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

bool isJar(const std::string& name) {
  return name.size() > 4 && foldedName(name.substr(name.size() - 4)) == ".jar";
}

std::vector<std::string> componentsOf(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = path.find('/', start);
    parts.push_back(path.substr(start, slash == std::string::npos ? slash : slash - start));
    if (slash == std::string::npos) return parts;
    start = slash + 1;
  }
}

void checkName(const ImageTree& tree, const std::string& path, const std::string& part,
               bool forInstaller) {
  std::string problem = fileNameProblem(part);
  if (problem.empty() && forInstaller) {
    const std::string outside = outsideCodePage1252(part);
    if (!outside.empty()) {
      problem = "holds \"" + outside +
                "\", which an installer that wixl builds cannot hold: its texts are in Windows "
                "code page 1252";
    } else if (part.find('$') != std::string::npos) {
      problem = "holds \"$\", which wixl takes for a variable of its own";
    }
  }
  if (!problem.empty()) {
    throw PackError(std::string(tree.option) + ": " + path + ": the name " + quoted(part) + " " +
                    problem + "; rename it");
  }
}

// What keeps a jar's path off the classpath as the launcher writes it.
void checkClasspathEntry(const ImageTree& tree, const std::string& path) {
  if (path.find(';') != std::string::npos) {
    throw PackError(std::string(tree.option) + ": " + path +
                    ": a jar whose name holds \";\" cannot be on a Windows classpath, which \";\" "
                    "separates; rename it");
  }
  if (path.find('$') != std::string::npos) {
    throw PackError(std::string(tree.option) + ": " + path +
                    ": the launcher takes \"$\" in a classpath entry for an environment variable; "
                    "rename the jar");
  }
}

}  // namespace

std::string sourcePath(const std::string& directory, const std::string& relative) {
  std::string path = relative;
  std::replace(path.begin(), path.end(), '\\', '/');
  if (directory.empty()) return path;
  return directory.back() == '/' ? directory + path : directory + "/" + path;
}

Image planImage(const PackOptions& options, const std::vector<TreeListing>& listings,
                bool forInstaller) {
  Image image;
  image.name = options.name;
  image.exe = options.name + ".exe";
  image.configuration = options.name + ".config";
  image.files.push_back({image.exe, std::string(), true});
  image.files.push_back({image.configuration, std::string(), false});
  // Windows names are one file whatever their letter case.
  std::map<std::string, std::string> seen;
  for (const ImageFile& file : image.files) seen[foldedName(file.path)] = file.path;
  for (const TreeListing& listing : listings) {
    const ImageTree& tree = *listing.tree;
    std::vector<std::string> files = listing.files;
    std::sort(files.begin(), files.end());
    std::size_t jars = 0;
    for (const std::string& relative : files) {
      std::string path = tree.folder;
      for (const std::string& part : componentsOf(relative)) {
        checkName(tree, relative, part, forInstaller);
        path += "\\" + part;
      }
      const auto [earlier, added] = seen.emplace(foldedName(path), path);
      if (!added) {
        throw PackError(std::string(tree.option) + ": " + relative + " and " +
                        earlier->second.substr(std::string(tree.folder).size() + 1) +
                        " differ only in letter case, so Windows would take them for one file; "
                        "rename one");
      }
      image.files.push_back({path, sourcePath(options.*(tree.source), relative), false});
      if (tree.classpath && relative.find('/') == std::string::npos && isJar(relative)) {
        checkClasspathEntry(tree, relative);
        image.classpath.push_back(path);
        ++jars;
      }
    }
    // What the launcher looks for before it takes the folder for a runtime.
    for (const char* needed : {"bin/java.exe", "bin/javaw.exe", "release"}) {
      if (!tree.runtime) break;
      const bool present = std::any_of(files.begin(), files.end(), [&](const std::string& file) {
        return foldedName(file) == needed;
      });
      if (!present) {
        throw PackError(std::string(tree.option) + ": " + options.*(tree.source) + " holds no " +
                        needed + ": give a Windows Java runtime's directory (a jlink image)");
      }
    }
    if (tree.classpath && jars == 0) {
      throw PackError(std::string(tree.option) + ": " + options.*(tree.source) +
                      " holds no .jar file: give the directory that holds the application's jars");
    }
  }
  std::sort(image.files.begin(), image.files.end(),
            [](const ImageFile& a, const ImageFile& b) { return a.path < b.path; });
  return image;
}

std::vector<std::string> imageDirectories(const Image& image) {
  std::vector<std::string> directories = {std::string()};
  for (const ImageFile& file : image.files) {
    std::size_t separator = file.path.find('\\');
    while (separator != std::string::npos) {
      const std::string directory = file.path.substr(0, separator);
      if (std::find(directories.begin(), directories.end(), directory) == directories.end()) {
        directories.push_back(directory);
      }
      separator = file.path.find('\\', separator + 1);
    }
  }
  std::sort(directories.begin(), directories.end());
  return directories;
}

}  // namespace carafe::pack
