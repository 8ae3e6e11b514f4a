#include "pack/jars.h"

#include <map>

#include "check/classpath.h"
#include "pack/error.h"

namespace carafe::pack {

namespace {

// How many classes a warning names.
constexpr std::size_t NAMED_CLASSES = 3;

// Classes that every jar may hold without one hiding another.
bool isOwnClass(const std::string& entry) {
  const std::string suffix = ".class";
  if (entry.size() <= suffix.size() ||
      entry.compare(entry.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return false;
  }
  if (entry.compare(0, 9, "META-INF/") == 0) return false;  // versioned copies, services
  const std::size_t slash = entry.rfind('/');
  const std::string base = slash == std::string::npos ? entry : entry.substr(slash + 1);
  return base != "module-info.class" && base != "package-info.class";
}

}  // namespace

std::vector<std::string> checkJars(const std::vector<JarContents>& jars,
                                   const std::string& mainClass) {
  std::map<std::string, const JarContents*> libraries;
  for (const JarContents& jar : jars) {
    const std::string library = check::libraryOf(jar.name);
    if (library.empty()) continue;
    const auto [earlier, added] = libraries.emplace(library, &jar);
    if (!added) {
      throw PackError("--input: " + earlier->second->name + " and " + jar.name +
                      " are one library in two versions (left from an earlier build?); Java "
                      "would take each class from the first on the classpath only: remove the "
                      "one that is not meant from --input (clean the build's folder)");
    }
  }

  std::string entry = mainClass;
  for (char& c : entry) {
    if (c == '.') c = '/';
  }
  entry += ".class";
  // Each class, with the jars that hold it, in the classpath's order.
  std::map<std::string, std::vector<const JarContents*>> holders;
  for (const JarContents& jar : jars) {
    for (const std::string& name : jar.entries) {
      if (!isOwnClass(name)) continue;
      std::vector<const JarContents*>& list = holders[name];
      if (list.empty() || list.back() != &jar) list.push_back(&jar);
    }
  }
  const auto main = holders.find(entry);
  if (main == holders.end()) {
    throw PackError("--main-class: no jar of --input holds " + mainClass + " (" + entry +
                    "); give the class with the main method, by its full name");
  }
  if (main->second.size() > 1) {
    throw PackError("--main-class: " + mainClass + " is in both " + main->second[0]->name +
                    " and " + main->second[1]->name +
                    ", and Java would start the first one's: remove the jar that is not meant "
                    "from --input (clean the build's folder)");
  }

  std::size_t shared = 0;
  std::string named;
  for (const auto& [name, list] : holders) {
    if (list.size() < 2) continue;
    if (++shared > NAMED_CLASSES) continue;
    named += (named.empty() ? "" : ", ") + name + " (";
    for (std::size_t i = 0; i < list.size(); ++i) named += (i == 0 ? "" : ", ") + list[i]->name;
    named += ")";
  }
  if (shared == 0) return {};
  return {"--input: " + std::to_string(shared) + (shared == 1 ? " class is" : " classes are") +
          " in more than one jar, and Java takes each from the first on the classpath: " + named +
          (shared > NAMED_CLASSES ? ", ..." : "")};
}

}  // namespace carafe::pack
