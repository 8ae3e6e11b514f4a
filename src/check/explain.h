// What a configuration line did, or why it did nothing, in words: derived
// from what the launcher's reader made of the line and what changed while it
// was applied.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "check/observer.h"
#include "config/reader.h"

namespace carafe::check {

struct Finding {
  enum Level { NOTE, WARNING, ERROR };
  Level level = NOTE;
  std::string text;
};

// The line's bytes as the reader takes them: cut at a Ctrl-Z, a carriage
// return before the line feed dropped.
std::string readText(const Line& line);

// The line as the reader applies it: its readText, taken as UTF-8.
std::string appliedText(const Line& line);

// A keyword that a word that is none was probably meant as (another letter
// case, or one or two letters off); empty when there is none.
std::string meantKeyword(const std::string& word);

// What an event that came while the launcher ran says, as a finding.
Finding explainEvent(const Observation& observation, const Event& event);

// The findings for one line of a file.
std::vector<Finding> explainLine(const Observation& observation, const FileRead& file,
                                 const Line& line);

// A text as it can be shown on one line: control characters as escapes,
// long texts shortened.
std::string shown(const std::string& text);

// The value of a line of this keyword, as it stands in the line (expanded;
// for javaVersion before the lookup resolved it); nothing for any other line.
std::optional<std::string> keywordValueOf(const Line& line, Keyword keyword);

// The required version that a javaVersion line set; nothing for any other line.
std::optional<std::string> requiredVersionOf(const Line& line);

// Whether a runtime of this version satisfies a javaVersion value, and why.
std::string explainRequirement(const std::string& required, const std::string& version);

}  // namespace carafe::check
