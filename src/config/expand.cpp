#include "config/expand.h"

#include "core/notice.h"
#include "core/settings.h"
#include "platform/platform.h"

namespace carafe {

void toForwardSlashes(std::string& text) {
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
}

namespace {

// Where the name of the reference at dollar ends: at the first backslash
// after it, else at the first "/", else at the end of the value.
std::size_t nameEndOf(const std::string& text, std::size_t dollar) {
  std::size_t nameEnd = text.find('\\', dollar + 1);
  if (nameEnd == std::string::npos) nameEnd = text.find('/', dollar + 1);
  if (nameEnd == std::string::npos) nameEnd = text.size();
  return nameEnd;
}

}  // namespace

std::string referencedVariable(const std::string& value) {
  const std::size_t dollar = value.find('$');
  if (dollar == std::string::npos) return std::string();
  return value.substr(dollar + 1, nameEndOf(value, dollar) - dollar - 1);
}

std::string expandValue(const std::optional<std::string>& value, bool quoteIfSpaced) {
  if (!value || value->empty()) return std::string();
  const std::string& text = *value;
  const std::size_t dollar = text.find('$');
  if (dollar == std::string::npos) return text;

  const std::size_t nameEnd = nameEndOf(text, dollar);
  const std::string name = text.substr(dollar + 1, nameEnd - dollar - 1);
  const std::string prefix = text.substr(0, dollar);
  const std::string tail = text.substr(nameEnd);

  // A system-property option ("-Dx=$VAR") is always quoted where needed.
  const bool holdsEquals = text.find('=') != std::string::npos;
  if (prefix.find('=') != std::string::npos) quoteIfSpaced = true;

  std::string variable;
  if (!platform::environmentValue(name, variable)) {
    showDebug("Can't find variable", name);
    return text;
  }
  const bool quote = quoteIfSpaced && variable.find(' ') != std::string::npos;

  std::string result;
  result.reserve(text.size() + variable.size() + 2);
  if (quote && !holdsEquals) result += '"';
  result += prefix;
  if (quote && holdsEquals) result += '"';
  result += variable;
  // One separator at the joint when the variable's value ends in one.
  const bool variableEndsInSeparator =
      !variable.empty() && (variable.back() == '/' || variable.back() == '\\');
  if (variableEndsInSeparator && !tail.empty()) {
    result.append(tail, 1, std::string::npos);
  } else {
    result += tail;
  }
  if (quote) result += '"';

  // Formatted only in debug mode: most values of a configuration pass through here.
  if (launchSettings.debugMode) {
    showPlain("Parse Path",
              formatText("arg [%s] expanded to [%s]\n", text.c_str(), result.c_str()));
  }
  toForwardSlashes(result);
  return result;
}

}  // namespace carafe
