// The jars of the classpath, as carafe-pack reads them before anything is
// written: the main class once, no library twice, classes shared by jars.
#include "pack/jars.h"

#include <gtest/gtest.h>

#include "pack/error.h"

namespace carafe::pack {
namespace {

using Words = std::vector<std::string>;

TEST(Jars, RefusesTheMainClassTwiceOrALibraryInTwoVersionsAndWarnsOfSharedClasses) {
  const std::string MAIN = "com/example/Main.class";
  const struct {
    std::vector<JarContents> jars;
    std::string outcome;  // the error, the warning, or "" for neither
  } cases[] = {
      {{{"app.jar", {MAIN, "META-INF/MANIFEST.MF"}}, {"util.jar", {"u/U.class"}}}, ""},
      {{{"util.jar", {"u/U.class"}}},
       "--main-class: no jar of --input holds com.example.Main (com/example/Main.class); give "
       "the class with the main method, by its full name"},
      {{{"app-1.0.jar", {MAIN}}, {"app-old.jar", {MAIN}}},
       "--main-class: com.example.Main is in both app-1.0.jar and app-old.jar, and Java would "
       "start the first one's: remove the jar that is not meant from --input (clean the "
       "build's folder)"},
      {{{"jabref-3.8.1.jar", {MAIN}}, {"JabRef-3.8.2.jar", {"x/Y.class"}}},
       "--input: jabref-3.8.1.jar and JabRef-3.8.2.jar are one library in two versions (left "
       "from an earlier build?); Java would take each class from the first on the classpath "
       "only: remove the one that is not meant from --input (clean the build's folder)"},
      // Another classifier is another jar; a name without a version tells nothing.
      {{{"app.jar", {MAIN}},
        {"lwjgl-3.3.1.jar", {}},
        {"lwjgl-3.3.1-natives-windows.jar", {}},
        {"commons-io.jar", {}},
        {"commons-lang3-3.12.jar", {}}},
       ""},
      {{{"app.jar", {MAIN, "a/A.class", "a/B.class", "module-info.class"}},
        {"fat.jar",
         {"a/A.class", "a/B.class", "b/C.class", "b/D.class", "module-info.class",
          "META-INF/versions/9/a/A.class"}},
        {"b.jar", {"b/C.class", "b/D.class"}}},
       "--input: 4 classes are in more than one jar, and Java takes each from the first on the "
       "classpath: a/A.class (app.jar, fat.jar), a/B.class (app.jar, fat.jar), b/C.class "
       "(fat.jar, b.jar), ..."},
  };
  for (const auto& row : cases) {
    std::string outcome;
    try {
      const Words warnings = checkJars(row.jars, "com.example.Main");
      for (const std::string& warning : warnings) outcome += warning;
    } catch (const PackError& error) {
      outcome = error.what();
    }
    EXPECT_EQ(outcome, row.outcome);
  }
}

}  // namespace
}  // namespace carafe::pack
