// The minimum form of a required version ("17+", "11.0.20+", "1.8+"): the
// highest installed runtime whose version is at least the one named. Pure
// functions over version texts, so that any list of runtime names can be
// resolved with them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace carafe {

// Whether a required version is the minimum form: no underscore, and numbers
// separated by dots followed by one "+". Texts with an underscore
// (1.5.0_06+) keep the patch-level meaning; "abc+" or "+" alone are no
// versions and keep the classic prefix meaning.
bool isMinimumVersion(const std::string& required);

// The version named by a minimum form: the text without its "+".
std::string minimumOf(const std::string& required);

// Orders two version texts by their feature numbers: "1.x" counts as x, then
// number by number ("." and "_" both separate numbers, a missing number
// counts as 0, anything from another character on is ignored). Returns a
// negative number, 0 or a positive number as a is lower than, equal to or
// higher than b. A text that does not begin with a digit is lower than every
// version.
int compareFeatureVersions(const std::string& a, const std::string& b);

// Whether an installed runtime's name is a version of at least minimum.
bool reachesMinimum(const std::string& name, const std::string& minimum);

// The highest of names (in enumeration order) that reaches the minimum that
// required (a minimum form) names; among equal versions the one enumerated
// last, as the patch-level form chooses. Nothing when none reaches it.
std::optional<std::string> chooseMinimumVersion(const std::vector<std::string>& names,
                                                const std::string& required);

// The feature version that a version text names: 17 for "17", "17+" and
// "17.0.2"; 8 for "1.8" and "1.8.0_60+". -1 when the text does not begin
// with a number (or the number does not fit an int).
int featureVersion(const std::string& version);

}  // namespace carafe
