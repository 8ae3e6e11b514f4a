// Java versions, in one place: families, their one order, patch levels, and
// the four forms of a required version with what satisfies each. Pure
// functions over version texts, so that any list of runtime names (the
// runtime registry's keys, the runtimes found on the machine) is judged by
// the same rules.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace carafe {

// ---- Versions -------------------------------------------------------------

// "1.8" for 1.8.0_452, "17" for 17.0.15: the first number, or "1." and the
// next one.
std::string versionFamily(const std::string& version);

// The order of versions: "1.x" counts as x, then number by number ("." and
// "_" both separate numbers, a missing number counts as 0, anything from
// another character on is ignored). Returns a negative number, 0 or a
// positive number as a is lower than, equal to or higher than b. A text that
// does not begin with a digit is lower than every version.
int compareVersions(const std::string& a, const std::string& b);

// The same order made strict over texts, as sorting and choosing the highest
// need: where two texts are equal as versions ("17" and "17.0", "17" and
// "17-ea"), the one whose text reads lower, number by number, comes first.
bool versionLess(const std::string& a, const std::string& b);

// The patch level of a version text: the number at the start of the text
// after its first underscore, read like atoi (0 without an underscore).
int patchLevel(const std::string& version);

// The feature version that a version text names: 17 for "17", "17+" and
// "17.0.2"; 8 for "1.8" and "1.8.0_60+". -1 when the text does not begin
// with a number (or the number does not fit an int).
int featureVersion(const std::string& version);

// ---- Required versions ------------------------------------------------------

// The forms of a required version.
enum class VersionForm {
  EXACT,          // "1.8.0_60": the runtime of exactly that name
  PREFIX,         // "1.8.0", "17": of the names that begin with it, the highest patch level
  MINIMUM_PATCH,  // "1.8.0_60+": the same, which must be at least that patch level
  MINIMUM,        // "17+", "1.8+", "11.0.20+": the highest runtime of at least that version
};

// The form of a required version: an underscore without a "+" names one
// runtime exactly; numbers separated by dots followed by one "+" are a
// minimum version; another text with an underscore a minimum patch level;
// any other text ("abc+" too) a prefix.
VersionForm versionForm(const std::string& required);

// Whether a required version is the minimum form (see versionForm).
bool isMinimumVersion(const std::string& required);

// The version named by a minimum form: the text without its "+".
std::string minimumOf(const std::string& required);

// The text that the prefix and minimum patch level forms match names
// against: the required version up to its first underscore.
std::string versionPrefix(const std::string& required);

// Whether an installed runtime's name is a version of at least minimum.
bool reachesMinimum(const std::string& name, const std::string& minimum);

// The highest of names (in enumeration order) that reaches the minimum that
// required (a minimum form) names; among equal versions the one enumerated
// last, as the patch-level form chooses. Nothing when none reaches it.
std::optional<std::string> chooseMinimumVersion(const std::vector<std::string>& names,
                                                const std::string& required);

// Whether a runtime of this name satisfies a required version, by the rule
// of the version's form.
bool satisfiesVersion(const std::string& required, const std::string& name);

}  // namespace carafe
