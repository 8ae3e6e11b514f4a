#include "runtime/versions.h"

#include <climits>

#include "runtime/runtime_view.h"

namespace carafe {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The numbers of a version text as digit runs without leading zeros, "1.x"
// reduced to x; the list ends at the first character that is neither a digit
// nor a separator. Empty for a text that does not begin with a digit.
std::vector<std::string> versionNumbers(const std::string& version) {
  std::vector<std::string> numbers;
  std::size_t position = 0;
  while (position < version.size() && isDigit(version[position])) {
    std::size_t end = position;
    while (end < version.size() && isDigit(version[end])) ++end;
    std::size_t start = position;
    while (start + 1 < end && version[start] == '0') ++start;
    numbers.push_back(version.substr(start, end - start));
    if (end >= version.size() || (version[end] != '.' && version[end] != '_')) break;
    position = end + 1;
  }
  if (numbers.size() >= 2 && version.compare(0, 2, "1.") == 0) {
    numbers.erase(numbers.begin());  // 1.8.0_452 counts as 8.0.452
  }
  return numbers;
}

// Compares two numbers written as digits without leading zeros.
int compareNumbers(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  const int order = a.compare(b);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

// Two texts that are equal as versions, told apart by their text: numbers by
// value, other characters by their code, a text that is the start of the
// other first.
bool textLess(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      std::size_t endA = i;
      std::size_t endB = j;
      while (endA < a.size() && isDigit(a[endA])) ++endA;
      while (endB < b.size() && isDigit(b[endB])) ++endB;
      // Compare numbers without converting them, so long runs cannot overflow.
      while (i < endA - 1 && a[i] == '0') ++i;
      while (j < endB - 1 && b[j] == '0') ++j;
      if (endA - i != endB - j) return endA - i < endB - j;
      const int order = a.compare(i, endA - i, b, j, endB - j);
      if (order != 0) return order < 0;
      i = endA;
      j = endB;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

// Reads a decimal number as atoi does (leading white space, one sign, digits
// up to the first other character), saturating instead of overflowing.
int readLevel(const std::string& text, std::size_t position) {
  while (position < text.size() &&
         (text[position] == ' ' || (text[position] >= '\t' && text[position] <= '\r'))) {
    ++position;
  }
  bool negative = false;
  if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
    negative = text[position] == '-';
    ++position;
  }
  long long level = 0;
  for (; position < text.size() && text[position] >= '0' && text[position] <= '9'; ++position) {
    if (level <= INT_MAX) level = level * 10 + (text[position] - '0');
  }
  if (level > INT_MAX) level = negative ? static_cast<long long>(INT_MAX) + 1 : INT_MAX;
  return static_cast<int>(negative ? -level : level);
}

}  // namespace

std::string versionFamily(const std::string& version) {
  std::size_t end = 0;
  while (end < version.size() && isDigit(version[end])) ++end;
  if (version.compare(0, end, "1") == 0 && end < version.size() && version[end] == '.') {
    ++end;  // 1.x: the family is "1." and the next number
    while (end < version.size() && isDigit(version[end])) ++end;
  }
  return end == 0 ? version : version.substr(0, end);
}

int compareVersions(const std::string& a, const std::string& b) {
  const std::vector<std::string> left = versionNumbers(a);
  const std::vector<std::string> right = versionNumbers(b);
  if (left.empty() || right.empty()) {
    return left.empty() == right.empty() ? 0 : (left.empty() ? -1 : 1);
  }
  const std::size_t count = left.size() > right.size() ? left.size() : right.size();
  for (std::size_t i = 0; i < count; ++i) {
    const int order =
        compareNumbers(i < left.size() ? left[i] : "0", i < right.size() ? right[i] : "0");
    if (order != 0) return order;
  }
  return 0;
}

bool versionLess(const std::string& a, const std::string& b) {
  const int order = compareVersions(a, b);
  return order != 0 ? order < 0 : textLess(a, b);
}

int patchLevel(const std::string& version) {
  const std::size_t underscore = version.find('_');
  return underscore == std::string::npos ? 0 : readLevel(version, underscore + 1);
}

int featureVersion(const std::string& version) {
  const std::vector<std::string> numbers = versionNumbers(version);
  if (numbers.empty() || numbers[0].size() > 9) return -1;
  return std::stoi(numbers[0]);
}

bool isMinimumVersion(const std::string& required) {
  if (required.size() < 2 || required.back() != '+') return false;
  bool digitBefore = false;  // each number has at least one digit
  for (std::size_t i = 0; i + 1 < required.size(); ++i) {
    const char c = required[i];
    if (isDigit(c)) {
      digitBefore = true;
    } else if (c == '.' && digitBefore) {
      digitBefore = false;
    } else {
      return false;
    }
  }
  return digitBefore;
}

VersionForm versionForm(const std::string& required) {
  const bool underscore = required.find('_') != std::string::npos;
  if (underscore && required.find('+') == std::string::npos) return VersionForm::EXACT;
  if (isMinimumVersion(required)) return VersionForm::MINIMUM;
  return underscore ? VersionForm::MINIMUM_PATCH : VersionForm::PREFIX;
}

std::string minimumOf(const std::string& required) {
  return required.substr(0, required.size() - (required.empty() ? 0 : 1));
}

std::string versionPrefix(const std::string& required) {
  return required.substr(0, required.find('_'));
}

bool reachesMinimum(const std::string& name, const std::string& minimum) {
  return !name.empty() && isDigit(name[0]) && compareVersions(name, minimum) >= 0;
}

std::optional<std::string> chooseMinimumVersion(const std::vector<std::string>& names,
                                                const std::string& required) {
  const std::string minimum = minimumOf(required);
  std::optional<std::string> chosen;
  for (const std::string& name : names) {
    if (!reachesMinimum(name, minimum)) continue;
    if (!chosen || compareVersions(name, *chosen) >= 0) chosen = name;
  }
  return chosen;
}

bool satisfiesVersion(const std::string& required, const std::string& name) {
  const VersionForm form = versionForm(required);
  switch (form) {
    case VersionForm::MINIMUM:
      return reachesMinimum(name, minimumOf(required));
    case VersionForm::EXACT:
      return sameKeyName(name, required);
    case VersionForm::PREFIX:
    case VersionForm::MINIMUM_PATCH:
      break;
  }
  const std::string prefix = versionPrefix(required);
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  if (form == VersionForm::PREFIX) return true;
  return name.find('_') != std::string::npos && patchLevel(name) >= patchLevel(required);
}

}  // namespace carafe
