// The application's folder (its "image"): NAME.exe, NAME.config, and the
// files of the build's directories, each in a folder of its own. Planned
// from the options and the directories' listings, before anything is read or
// written.
#pragma once

#include <string>
#include <vector>

#include "pack/options.h"

namespace carafe::pack {

// A directory of the build whose files go into the folder.
struct ImageTree {
  const char* option;                // "--input"
  std::string PackOptions::*source;  // the directory, as the option gives it
  const char* folder;                // where its files go: "lib"
  bool classpath;                    // its own jars (not those below) go onto the classpath
  bool runtime;                      // a Java runtime: its programs and release file must be there
};

// The trees, in the order their files are planned.
extern const std::vector<ImageTree> IMAGE_TREES;

// The files found below one tree's directory: "/"-separated paths relative
// to it, every file (not directory) below it.
struct TreeListing {
  const ImageTree* tree = nullptr;
  std::vector<std::string> files;
};

struct ImageFile {
  std::string path;    // in the folder, "\"-separated: "lib\\editor.jar"
  std::string source;  // the build's file it is a copy of; empty for the exe and configuration
  bool program = false;
};

struct Image {
  std::string name;                    // the folder's and the exe's name
  std::string exe;                     // "Editor.exe"
  std::string configuration;           // "Editor.config"
  std::vector<ImageFile> files;        // sorted by path, the exe and configuration among them
  std::vector<std::string> classpath;  // "lib\\editor.jar", in order
};

// The folder for these options and listings. Throws PackError, naming the
// option, for a file whose name Windows cannot hold, two names that differ
// only in letter case (one file on Windows), a jar that the classpath cannot
// name, or no jar at all. With forInstaller, names must also suit wixl.
Image planImage(const PackOptions& options, const std::vector<TreeListing>& listings,
                bool forInstaller);

// "lib\\editor.jar" as a path below directory on this machine ("/" between).
std::string sourcePath(const std::string& directory, const std::string& relative);

// Every directory of the folder that holds a file, "\"-separated and sorted,
// the folder itself ("") first.
std::vector<std::string> imageDirectories(const Image& image);

}  // namespace carafe::pack
