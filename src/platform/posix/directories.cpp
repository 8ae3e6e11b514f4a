// Listing jar directories.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace carafe::platform {

struct Search {
  std::vector<SearchMatch> matches;
  std::size_t next = 0;
};

namespace {

bool endsWithIgnoringCase(const char* name, const std::string& ending) {
  const std::size_t length = std::strlen(name);
  if (length < ending.size()) return false;
  return std::equal(ending.begin(), ending.end(), name + (length - ending.size()),
                    [](char a, char b) {
                      const auto lower = [](char c) {
                        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
                      };
                      return lower(a) == lower(b);
                    });
}

}  // namespace

Search* searchStart(const std::string& directory, const std::string& extension, SearchMatch& first,
                    std::string* why) {
  DIR* listing = ::opendir(directory.c_str());
  if (listing == nullptr) {
    if (why != nullptr) *why = std::strerror(errno);
    return nullptr;
  }
  auto* search = new Search;
  const int descriptor = ::dirfd(listing);
  // The listing tells most entries' kind itself, which saves a stat per jar;
  // only where the entries can be examined at all (search permission).
  const bool kindsListed = ::faccessat(descriptor, ".", X_OK, AT_EACCESS) == 0;
  while (const dirent* entry = ::readdir(listing)) {
    if (!endsWithIgnoringCase(entry->d_name, extension)) continue;
    std::string name = entry->d_name;
    if (kindsListed && (entry->d_type == DT_REG || entry->d_type == DT_DIR)) {
      search->matches.push_back({std::move(name), entry->d_type == DT_DIR});
      continue;
    }
    // A link counts as what it points to; a name that cannot be examined is skipped.
    struct stat status {};
    if (::fstatat(descriptor, entry->d_name, &status, 0) != 0) continue;
    if (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) continue;
    search->matches.push_back({std::move(name), S_ISDIR(status.st_mode)});
  }
  ::closedir(listing);
  if (search->matches.empty()) {
    delete search;
    return nullptr;
  }
  // readdir follows no order; the classpath should not change from run to run.
  std::sort(search->matches.begin(), search->matches.end(),
            [](const SearchMatch& a, const SearchMatch& b) { return a.name < b.name; });
  first = search->matches[0];
  search->next = 1;
  return search;
}

bool searchNext(Search* search, SearchMatch& match) {
  if (search->next >= search->matches.size()) return false;
  match = search->matches[search->next++];
  return true;
}

void searchClose(Search* search) { delete search; }

}  // namespace carafe::platform
