#include "runtime/minimum_version.h"

namespace carafe {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The numbers of a version text as digit runs without leading zeros, "1.x"
// reduced to x; the list ends at the first character that is neither a digit
// nor a separator. Empty for a text that does not begin with a digit.
std::vector<std::string> featureNumbers(const std::string& version) {
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

}  // namespace

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

std::string minimumOf(const std::string& required) {
  return required.substr(0, required.size() - (required.empty() ? 0 : 1));
}

int compareFeatureVersions(const std::string& a, const std::string& b) {
  const std::vector<std::string> left = featureNumbers(a);
  const std::vector<std::string> right = featureNumbers(b);
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

bool reachesMinimum(const std::string& name, const std::string& minimum) {
  return !name.empty() && isDigit(name[0]) && compareFeatureVersions(name, minimum) >= 0;
}

std::optional<std::string> chooseMinimumVersion(const std::vector<std::string>& names,
                                                const std::string& required) {
  const std::string minimum = minimumOf(required);
  std::optional<std::string> chosen;
  for (const std::string& name : names) {
    if (!reachesMinimum(name, minimum)) continue;
    if (!chosen || compareFeatureVersions(name, *chosen) >= 0) chosen = name;
  }
  return chosen;
}

int featureVersion(const std::string& version) {
  const std::vector<std::string> numbers = featureNumbers(version);
  if (numbers.empty() || numbers[0].size() > 9) return -1;
  return std::stoi(numbers[0]);
}

}  // namespace carafe
