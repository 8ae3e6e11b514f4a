// Every Java runtime on the machine, wherever its installer put it: the view
// that the runtime lookups search where the runtime registry does not answer,
// and that carafe-check lists. Built once per run, and only when asked for.
#pragma once

#include <string>
#include <vector>

#include "runtime/runtime_view.h"

namespace carafe {

// A place searched, and what it held: for carafe-check, which tells a user
// without a runtime where the launcher looked.
struct SearchedPlace {
  std::string place;               // as the debug trace names it
  bool present = true;             // false: a directory that is not there, or holds nothing
  std::vector<std::string> found;  // each directory examined there, and what it is
};

struct Discovery {
  std::vector<SearchedPlace> places;       // each place searched, in order
  std::vector<InstalledRuntime> runtimes;  // each counted once, in the order found
  std::string defaultHome;                 // JAVA_HOME's, else the one on PATH
  RuntimeView view;
  std::string chosenHome;  // the runtime a lookup took from this view; empty while none
};

// Searches the machine on the first call; later calls give the same result.
Discovery& discoverRuntimes();
// True once the machine has been searched in this run.
bool runtimesDiscovered();
// Forgets the search, so that the next call searches again (for tests).
void forgetDiscovery();

// The version that the release file of the runtime at home names
// (JAVA_VERSION); empty where it has none.
std::string releaseVersionAt(const std::string& home);

// Collects the runtimes that each place holds; the places themselves are the
// platform's (places_windows.cpp, places_posix.cpp).
class RuntimeFinder {
 public:
  explicit RuntimeFinder(Discovery& discovery) : discovery_(discovery) {}
  // Notes a place searched.
  void place(const std::string& description);
  // A directory that may be a runtime's home (or its bin directory). version
  // is the version its registry entry names, used where it has no release file;
  // defaultRank orders the candidates for the default runtime (1 first).
  void home(const std::string& directory, const std::string& version, const std::string& source,
            int defaultRank = 0);
  // Every directory directly below parent, each followed by suffix (possibly
  // empty), as a candidate home.
  void children(const std::string& parent, const std::string& suffix, const std::string& source);
  // Whether the places searched from now on are the starting user's own
  // (which only that user can write) rather than the machine's.
  void perUser(bool userOwn) { perUser_ = userOwn; }

 private:
  // Notes what a directory examined in the current place is.
  void note(const std::string& what);

  Discovery& discovery_;
  std::vector<std::string> identities_;
  int defaultRank_ = 0;
  bool perUser_ = false;
};

void findWindowsRuntimes(RuntimeFinder& finder);
void findPosixRuntimes(RuntimeFinder& finder);

}  // namespace carafe
