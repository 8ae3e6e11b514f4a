// What a javaVersion line asks for, in words: its form, the runtimes that
// satisfy it, and the one chosen.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "check/explain.h"
#include "runtime/runtime_view.h"

namespace carafe::check {

// The names of the runtimes that a javaVersion line is resolved against: the
// runtime registry's keys in the order the launcher enumerates them, then
// those of every other runtime on the machine.
std::vector<std::string> visibleRuntimeNames();
// The same keys, each with the home it leads to (empty where it names none).
std::vector<RuntimeKey> visibleRuntimeKeys();
// The number of runtimes that keys lead to, each counted once by its home.
std::size_t runtimeCount(const std::vector<RuntimeKey>& keys);

// The findings for a javaVersion line with this value (as expanded); chosen
// is the runtime it resolved to, when the line found one.
std::vector<Finding> explainJavaVersion(const std::string& required,
                                        const std::optional<std::string>& chosen);

}  // namespace carafe::check
