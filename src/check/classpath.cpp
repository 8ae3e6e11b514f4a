#include "check/classpath.h"

#include <algorithm>
#include <map>

#include "check/explain.h"
#include "check/zip_entries.h"
#include "platform/platform.h"

namespace carafe::check {

namespace {

bool isClasspathOption(const std::string& word) {
  return word == "-classpath" || word == "-cp" || word == "--class-path";
}

// Java's options that take the next word as their value.
bool takesValue(const std::string& word) {
  static const char* const OPTIONS[] = {
      "-p",          "--module-path", "--upgrade-module-path", "--add-modules", "--limit-modules",
      "--add-reads", "--add-exports", "--add-opens",           "--patch-module"};
  return std::find_if(std::begin(OPTIONS), std::end(OPTIONS),
                      [&](const char* option) { return word == option; }) != std::end(OPTIONS);
}

std::vector<std::string> splitEntries(const std::string& classpath, char separator) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = classpath.find(separator, start);
    entries.push_back(classpath.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return entries;
}

std::string joined(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  const char last = directory.back();
  return last == '/' || last == '\\' ? directory + name : directory + "/" + name;
}

bool holdsEntry(const std::vector<std::string>& names, const std::string& resource) {
  for (const std::string& name : names) {
    if (name == resource) return true;
    // A multi-release jar: META-INF/versions/<n>/<resource>.
    const std::string versions = "META-INF/versions/";
    if (name.size() > versions.size() + resource.size() &&
        name.compare(0, versions.size(), versions) == 0 &&
        name.compare(name.size() - resource.size(), resource.size(), resource) == 0 &&
        name[name.size() - resource.size() - 1] == '/') {
      return true;
    }
  }
  return false;
}

// Reads a jar's entry names; false with a problem when it is none.
bool jarEntries(const std::string& path, std::vector<std::string>& names, std::string& problem) {
  std::string probe;
  std::uint64_t size = 0;
  if (!readFileRange(path, 0, 0, probe, size)) {
    problem = "cannot be read";
    return false;
  }
  return readZipEntries(
      size,
      [&path](std::uint64_t offset, std::size_t count, std::string& bytes) {
        std::uint64_t ignored = 0;
        return readFileRange(path, offset, count, bytes, ignored);
      },
      names, problem);
}

std::string baseName(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string libraryOf(const std::string& fileName) {
  std::string name;
  for (char c : fileName) name += lower(c);
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jar") == 0)
    name.resize(name.size() - 4);
  // The version begins at the first "-" followed by a digit, and goes to the
  // next "-"; what follows it is a classifier, which tells another jar.
  std::size_t start = 1;
  while (start < name.size() && !(name[start - 1] == '-' && isDigit(name[start]))) ++start;
  if (start >= name.size()) return std::string();
  const std::size_t end = name.find('-', start);
  const std::string library = name.substr(0, start - 1);
  return end == std::string::npos ? library : library + " " + name.substr(end + 1);
}

Classpath examineClasspath(const std::vector<std::string>& words, char separator) {
  Classpath classpath;
  std::string text;
  for (std::size_t i = 1; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (isClasspathOption(word) && i + 1 < words.size()) {
      classpath.given = true;
      text = words[++i];
    } else if (word.compare(0, 13, "--class-path=") == 0) {
      classpath.given = true;
      text = word.substr(13);
    } else if (takesValue(word)) {
      ++i;
    } else if (word.empty() || word[0] != '-') {
      classpath.mainClass = word;
      break;
    }
  }
  if (!classpath.given) return classpath;

  std::vector<std::string> pieces = splitEntries(text, separator);
  // The separator that follows every entry leaves an empty last piece; an
  // empty piece elsewhere, or an empty classpath, is the current directory.
  if (pieces.size() > 1 && pieces.back().empty()) pieces.pop_back();

  std::string resource = classpath.mainClass;
  std::replace(resource.begin(), resource.end(), '.', '/');
  resource += ".class";

  std::map<std::string, std::string> libraries;  // each library's first jar
  const auto sameLibrary = [&](const std::string& jar) {
    const std::string library = libraryOf(baseName(jar));
    if (library.empty()) return;
    const auto [earlier, added] = libraries.emplace(library, jar);
    if (added) return;
    classpath.duplicates.push_back(shown(earlier->second) + " and " + shown(jar) +
                                   " are one library in two versions: Java takes each class "
                                   "from the first only; remove the one that is not meant");
  };
  for (const std::string& piece : pieces) {
    ClasspathEntry entry;
    entry.text = piece;
    const std::string path = piece.empty() ? "." : piece;
    const bool wildcard = path.size() >= 2 && path.back() == '*' &&
                          (path[path.size() - 2] == '/' || path[path.size() - 2] == '\\');
    std::vector<std::string> jars;
    if (wildcard) {
      const std::string directory = path.substr(0, path.size() - 2);
      entry.kind = pathKind(directory);
      platform::SearchMatch match;
      if (platform::Search* search = platform::searchStart(directory, ".jar", match)) {
        do {
          if (!match.isDirectory) entry.jars.push_back(joined(directory, match.name));
        } while (platform::searchNext(search, match));
        platform::searchClose(search);
      }
      jars = entry.jars;
    } else {
      entry.kind = pathKind(path);
      if (entry.kind == PathKind::FILE) jars.push_back(path);
    }
    if (entry.kind == PathKind::DIRECTORY && !wildcard && !classpath.found &&
        !classpath.mainClass.empty() && pathKind(joined(path, resource)) == PathKind::FILE) {
      classpath.found = true;
      classpath.foundIn = piece;
    }
    for (const std::string& jar : jars) {
      sameLibrary(jar);
      std::vector<std::string> names;
      std::string problem;
      const bool readable = jarEntries(jar, names, problem);
      if (!wildcard) {
        entry.jar = readable;
        entry.problem = problem;
        entry.entries = names.size();
      }
      if (!readable || classpath.mainClass.empty() || !holdsEntry(names, resource)) continue;
      if (classpath.found) {
        classpath.duplicates.push_back(
            "main class " + shown(classpath.mainClass) + " is in " + shown(jar) + " too, after " +
            (classpath.foundIn.empty() ? "the current directory" : shown(classpath.foundIn)) +
            ", whose copy Java starts: remove the one that is not meant");
      } else {
        classpath.found = true;
        classpath.foundIn = wildcard ? jar : piece;
      }
    }
    classpath.entries.push_back(entry);
  }
  return classpath;
}

}  // namespace carafe::check
