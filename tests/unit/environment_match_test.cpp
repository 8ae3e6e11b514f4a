// Matching environment entries ("NAME=value") by name, letter case ignored.
#include "platform/environment_match.h"

#include <gtest/gtest.h>

#include <string>

namespace carafe::platform {
namespace {

struct MatchCase {
  const char* entry;
  std::string name;
  bool matches;
  std::string value;  // when it matches
};

void PrintTo(const MatchCase& item, std::ostream* out) {
  *out << "[" << (item.entry != nullptr ? item.entry : "(null)") << "] / [" << item.name << "]";
}

class EnvironmentMatch : public testing::TestWithParam<MatchCase> {};

TEST_P(EnvironmentMatch, MatchesTheNameAndGivesTheValue) {
  const MatchCase& item = GetParam();
  std::string value = "untouched";
  EXPECT_EQ(environmentEntryMatches(item.entry, item.name, value), item.matches);
  EXPECT_EQ(value, item.matches ? item.value : std::string("untouched"));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, EnvironmentMatch,
    testing::Values(
        MatchCase{"HOME=/home/me", "HOME", true, "/home/me"},
        MatchCase{"HOME=/home/me", "home", true, "/home/me"},
        MatchCase{"Path=C:\\bin", "PATH", true, "C:\\bin"},
        MatchCase{"java_home=/opt/j", "Java_Home", true, "/opt/j"},
        // The value is everything after the first "=", further ones included.
        MatchCase{"OPTS=-Da=b =c", "OPTS", true, "-Da=b =c"},
        MatchCase{"EMPTY=", "EMPTY", true, ""}, MatchCase{"SPACED= a b ", "spaced", true, " a b "},
        // Only the whole name matches.
        MatchCase{"HOMEDIR=/x", "HOME", false, ""}, MatchCase{"HOME=/x", "HOMEDIR", false, ""},
        MatchCase{"HOM=/x", "HOME", false, ""}, MatchCase{"XHOME=/x", "HOME", false, ""},
        MatchCase{"HOME", "HOME", false, ""}, MatchCase{"", "HOME", false, ""},
        // Letter case is folded for A-Z only.
        MatchCase{"A_1=x", "a_1", true, "x"}, MatchCase{"A[=x", "a{", false, ""},
        MatchCase{"\xC4=x", "\xE4", false, ""},
        // An empty name and a missing entry match nothing.
        MatchCase{"=x", "", false, ""}, MatchCase{"HOME=/x", "", false, ""},
        MatchCase{nullptr, "HOME", false, ""}));

}  // namespace
}  // namespace carafe::platform
