// Where the runtime lookups read runtime keys: the runtime registry's
// JRE_BASE_KEY, as the launcher always has, or the view of every runtime on
// the machine, searched only where the registry does not answer.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/runtime_view.h"

namespace carafe {

struct RuntimeKeys {
  explicit RuntimeKeys(const RuntimeView* keysView = nullptr) : view(keysView) {}
  const RuntimeView* view;  // nullptr: the runtime registry

  bool wider() const { return view != nullptr; }
  // Whether the base key exists.
  bool openBase();
  // Its "CurrentVersion"; false when it cannot be read.
  bool currentVersion(std::string& version);
  // Its subkeys, by index.
  std::uint32_t count();
  bool name(std::uint32_t index, std::string& name);
  // The "JavaHome" of a version key: OPENED when read, NO_KEY when the key
  // cannot be opened, NO_HOME when the value cannot be read.
  enum HomeRead { OPENED, NO_KEY, NO_HOME };
  HomeRead home(const std::string& version, std::string& home);
  void closeBase();

 private:
  std::uintptr_t base_ = 0;
};

// The view of every runtime on the machine (searched on first use), or
// nullptr when it holds none.
const RuntimeView* widerView();

// Writes a trace line of a search: the runtime registry's as traceSearch(line)
// does (every mode in the GUI programs, as the launcher always has; debug mode
// only where trace lines reach the user's terminal); debug mode only for the
// wider view.
void traceSearch(const RuntimeKeys& keys, const std::string& line);

// True when the Java executable that home's command starts exists.
bool javaExists(const std::string& home);

}  // namespace carafe
