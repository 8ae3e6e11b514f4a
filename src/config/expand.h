// Expansion of one environment-variable reference ("$NAME") in a
// configuration value.
#pragma once

#include <optional>
#include <string>

namespace carafe {

// Replaces the value's first "$NAME" reference with the variable's value.
// The name ends at the first backslash after the "$", else at the first "/",
// else at the end. With quoteIfSpaced (forced on by an "=" before the "$"),
// a variable value that holds a space is enclosed in double quotes: the whole
// result, or from the variable's value on when the value holds an "=". An
// expanded result has its backslashes turned into forward slashes. A value
// without a reference, or naming a variable that is not set, comes back as
// written.
std::string expandValue(const std::optional<std::string>& value, bool quoteIfSpaced);

// The name that the value's first "$" reference names (empty without one,
// and for a lone "$").
std::string referencedVariable(const std::string& value);

// Turns every backslash of text into a forward slash.
void toForwardSlashes(std::string& text);

}  // namespace carafe
