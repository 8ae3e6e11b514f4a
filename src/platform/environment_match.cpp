#include "platform/environment_match.h"

namespace carafe::platform {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool environmentEntryMatches(const char* entry, const std::string& name, std::string& value) {
  if (entry == nullptr || name.empty()) return false;
  std::size_t i = 0;
  for (; i < name.size(); ++i) {
    if (entry[i] == '\0' || lower(entry[i]) != lower(name[i])) return false;
  }
  if (entry[i] != '=') return false;
  value.assign(entry + i + 1);
  return true;
}

}  // namespace carafe::platform
