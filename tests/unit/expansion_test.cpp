// Expansion of one "$NAME" reference in a configuration value.
#include <gtest/gtest.h>

#include "config/expand.h"
#include "core/settings.h"
#include "fake_platform.h"

namespace carafe {
namespace {

using fake::Notice;
using fake::state;
using platform::NoticeStyle;

void resetWithEnvironment() {
  fake::reset();
  state().environment = {"JAVA_HOME=C:\\Program Files\\Java\\jre1.5", "TOOLS=D:\\tools\\",
                         "JDK=C:\\jdk", "EMPTY=", "SLASHED=/opt/a b/"};
}

struct ExpansionCase {
  std::string value;
  bool quoteIfSpaced;
  std::string result;
};

TEST(ExpandValue, ReplacesTheFirstReferenceQuotesAndTurnsSlashes) {
  const ExpansionCase cases[] = {
      {R"($JAVA_HOME\lib\rt.jar)", true, R"("C:/Program Files/Java/jre1.5/lib/rt.jar")"},
      {R"($JAVA_HOME\lib\rt.jar)", false, R"(C:/Program Files/Java/jre1.5/lib/rt.jar)"},
      {R"(-Dtools=$JAVA_HOME\lib\tools.jar)", true,
       R"(-Dtools="C:/Program Files/Java/jre1.5/lib/tools.jar")"},
      {R"(-Dtools=$JAVA_HOME\lib\tools.jar)", false,
       R"(-Dtools="C:/Program Files/Java/jre1.5/lib/tools.jar")"},
      {R"(lib;$JAVA_HOME\lib\rt.jar)", true, R"("lib;C:/Program Files/Java/jre1.5/lib/rt.jar")"},
      {R"(x$JAVA_HOME\a=b)", true, R"(x"C:/Program Files/Java/jre1.5/a=b")"},
      {R"(x$JAVA_HOME\a=b)", false, R"(xC:/Program Files/Java/jre1.5/a=b)"},
      {R"($TOOLS\bin)", false, "D:/tools/bin"},
      {R"($TOOLS\bin)", true, "D:/tools/bin"},
      {"$TOOLS", true, "D:/tools/"},
      {"$SLASHED/x", true, R"("/opt/a b/x")"},
      {"$JDK/bin/java.exe", true, "C:/jdk/bin/java.exe"},
      {R"($jdk\bin)", false, "C:/jdk/bin"},
      {R"($JDK\x\$JDK)", false, "C:/jdk/x/$JDK"},
      {R"(pre\$JDK)", false, "pre/C:/jdk"},
      {R"($JDK/a\b)", false, R"($JDK/a\b)"},
      {R"($NOPE\lib)", true, R"($NOPE\lib)"},
      {R"(C:\lib\a.jar)", true, R"(C:\lib\a.jar)"},
      {"$", true, "$"},
      {"abc$", true, "abc$"},
      {R"($\x)", true, R"($\x)"},
      {R"($EMPTY\x)", true, "/x"},
      {"", true, ""},
  };
  for (const ExpansionCase& c : cases) {
    SCOPED_TRACE(c.value + (c.quoteIfSpaced ? " (quote)" : " (no quote)"));
    resetWithEnvironment();
    EXPECT_EQ(expandValue(c.value, c.quoteIfSpaced), c.result);
    EXPECT_TRUE(state().notices.empty());
  }
  EXPECT_EQ(expandValue(std::nullopt, true), "");
}

TEST(ExpandValue, ShowsTheExpansionBeforeSlashesAreTurnedInDebugMode) {
  resetWithEnvironment();
  launchSettings.debugMode = true;
  expandValue(R"($JAVA_HOME\lib\rt.jar)", true);
  expandValue(R"($NOPE\lib)", true);
  expandValue("plain", true);
  const std::vector<Notice> expected = {
      {"Parse Path",
       "arg [$JAVA_HOME\\lib\\rt.jar] expanded to [\"C:\\Program "
       "Files\\Java\\jre1.5\\lib\\rt.jar\"]\n",
       NoticeStyle::PLAIN},
      {"Can't find variable", "NOPE", NoticeStyle::PLAIN},
  };
  EXPECT_EQ(state().notices, expected);
}

}  // namespace
}  // namespace carafe
