// Splitting one command text into the argument vector that a Windows program
// would receive, so that the POSIX build starts Java with the same arguments.
#include "platform/command_split.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace carafe::platform {
namespace {

using Words = std::vector<std::string>;

struct SplitCase {
  const char* name;
  std::string commandLine;
  Words words;
};

void PrintTo(const SplitCase& item, std::ostream* out) { *out << item.name; }

class CommandSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(CommandSplit, GivesTheWindowsArgumentVector) {
  EXPECT_EQ(splitCommandLine(GetParam().commandLine), GetParam().words)
      << "command line: [" << GetParam().commandLine << "]";
}

// The program name: quotes only group, backslashes are always literal, and
// it ends at the first space or tab outside quotes.
INSTANTIATE_TEST_SUITE_P(
    ProgramName, CommandSplit,
    testing::Values(
        SplitCase{"Plain", "java", {"java"}}, SplitCase{"Empty", "", {""}},
        SplitCase{"LeadingSpaceGivesAnEmptyProgram", " java -x", {"", "java", "-x"}},
        SplitCase{"QuotedWithSpace",
                  "\"C:\\Program Files\\jre\\bin\\javaw.exe\" -cp",
                  {"C:\\Program Files\\jre\\bin\\javaw.exe", "-cp"}},
        SplitCase{"QuotedPosixPath", "\"/opt/my jre/bin/java\" -x", {"/opt/my jre/bin/java", "-x"}},
        SplitCase{"BackslashBeforeQuoteIsLiteral", "\"C:\\dir\\\" x", {"C:\\dir\\", "x"}},
        SplitCase{"QuoteInTheMiddle", "C:\\a\" b\"\\java.exe x", {"C:\\a b\\java.exe", "x"}},
        SplitCase{"EndsAtTab", "java\t-x", {"java", "-x"}},
        SplitCase{"UnclosedQuoteTakesTheRest", "\"/my java -x", {"/my java -x"}},
        SplitCase{"DoubledQuotesGiveNothing", "ja\"\"va x", {"java", "x"}}));

// The words after the program name.
INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandSplit,
    testing::Values(
        SplitCase{"SpacesAndTabsSeparate", "p a  b\t\tc \t d", {"p", "a", "b", "c", "d"}},
        SplitCase{"TrailingBlanksAddNothing", "p a \t ", {"p", "a"}},
        SplitCase{"QuotedSpaceGroups", "p \"a b\" c", {"p", "a b", "c"}},
        SplitCase{"QuotedTabGroups", "p \"a\tb\"", {"p", "a\tb"}},
        SplitCase{"QuotesJoinParts", "p a\"b c\"d", {"p", "ab cd"}},
        SplitCase{"EmptyQuotedArgument", "p \"\" x", {"p", "", "x"}},
        SplitCase{"EmptyLastArgument", "p x \"\"", {"p", "x", ""}},
        SplitCase{"UnclosedQuoteRunsToTheEnd", "p \"a b ", {"p", "a b "}},
        // Backslashes count only in front of a double quote.
        SplitCase{"BackslashesAlone", "p a\\\\b\\ c\\", {"p", "a\\\\b\\", "c\\"}},
        SplitCase{"OneBackslashEscapesTheQuote", "p a\\\"b", {"p", "a\"b"}},
        SplitCase{"TwoBackslashesThenGroupingQuote", "p \"a\\\\\" b", {"p", "a\\", "b"}},
        SplitCase{"ThreeBackslashesThenLiteralQuote", "p a\\\\\\\"b", {"p", "a\\\"b"}},
        SplitCase{"FourBackslashesThenGroupingQuote", "p \"a b\\\\\\\\\"", {"p", "a b\\\\"}},
        SplitCase{"EscapedQuoteInsideQuotes", "p \"a \\\" b\"", {"p", "a \" b"}},
        SplitCase{"TrailingBackslashInQuotesDoubled",
                  "p \"C:\\my dir\\\\\" next",
                  {"p", "C:\\my dir\\", "next"}},
        SplitCase{"TrailingBackslashInQuotesNotDoubledMerges",
                  "p \"C:\\my dir\\\" next",
                  {"p", "C:\\my dir\" next"}},
        // "" inside a quoted part is one literal quote, and the part stays quoted.
        SplitCase{"DoubledQuoteInsideQuotes", "p \"a\"\"b c\"", {"p", "a\"b c"}},
        SplitCase{"FourQuotesGiveOneQuote", "p \"\"\"\"", {"p", "\""}},
        SplitCase{"DoubledQuoteOutsideQuotesIsEmpty", "p a\"\"b", {"p", "ab"}},
        // What the launcher composes: classpath and trailing space.
        SplitCase{"ComposedJavaCommand",
                  "\"/opt/a b/bin/java\" -Xmx64m -classpath lib/a.jar:jars/b.jar: app.Main one "
                  "\"two words\" ",
                  {"/opt/a b/bin/java", "-Xmx64m", "-classpath",
                   "lib/a.jar:jars/b.jar:", "app.Main", "one", "two words"}},
        SplitCase{
            "EmptyClasspathGivesNoWord", "java -classpath  Main", {"java", "-classpath", "Main"}}));

}  // namespace
}  // namespace carafe::platform
