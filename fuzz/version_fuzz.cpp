// The required-version lookup over arbitrary installed key names, the
// minimum form's order and choice, the runtime view built from runtimes of
// arbitrary versions, the version ordering and the reader of a runtime's
// release file.
//
// Input: one byte of options (bit 0 debug mode, bit 1 POSIX conventions,
// bit 2 answer Yes to the download offer, bit 3 no runtime registered at all,
// bit 6 the keys have no "JavaHome"), then lines: the required version, then
// one installed key name per line. The text after the options byte is also
// read whole as a release file.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/settings.h"
#include "fake_platform.h"
#include "fuzz_support.h"
#include "platform/posix/runtime_view.h"
#include "runtime/default_lookup.h"
#include "runtime/required_lookup.h"
#include "runtime/versions.h"

namespace {

using carafe::fuzz::fail;

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

void checkOrdering(const std::vector<std::string>& versions);

void checkRuntimeView(const std::vector<std::string>& versions) {
  std::vector<carafe::InstalledRuntime> runtimes;
  for (std::size_t i = 0; i < versions.size(); ++i) {
    runtimes.push_back({"/jvm/" + std::to_string(i), versions[i]});
  }
  const std::string defaultHome = versions.empty() ? std::string() : "/jvm/0";
  const carafe::RuntimeView view = carafe::buildRuntimeView(runtimes, defaultHome);
  if (runtimes.empty()) {
    if (!view.keys.empty() || !view.currentVersion.empty()) fail("a view without runtimes");
    return;
  }
  // The default runtime's family is always one of the keys.
  const bool found =
      std::any_of(view.keys.begin(), view.keys.end(),
                  [&](const carafe::RuntimeKey& key) { return key.name == view.currentVersion; });
  if (!found) fail("CurrentVersion names no key", view.currentVersion);
  for (std::size_t i = 1; i < view.keys.size(); ++i) {
    if (!(view.keys[i - 1].name < view.keys[i].name)) fail("keys out of order or repeated");
  }
  checkOrdering(versions);
}

// versionLess is a strict weak ordering over whatever it is given: no version
// below itself, never each below the other, and both "below" and "neither
// below the other" carry over from a to b to c (sorting relies on all four).
void checkOrdering(const std::vector<std::string>& versions) {
  using carafe::versionLess;
  for (const std::string& a : versions) {
    if (versionLess(a, a)) fail("a version is below itself", a);
    for (const std::string& b : versions) {
      if (versionLess(a, b) && versionLess(b, a)) {
        fail("two versions are each below the other", a + " " + b);
      }
      // One order: the strict one only breaks the ties of the versions' order.
      if (carafe::compareVersions(a, b) < 0 && !versionLess(a, b)) {
        fail("the strict order reverses the versions' order", a + " " + b);
      }
    }
  }
  // Triples over the first few, so that one input stays fast.
  const std::size_t count = std::min<std::size_t>(versions.size(), 12);
  for (std::size_t i = 0; i < count; ++i) {
    for (std::size_t j = 0; j < count; ++j) {
      for (std::size_t k = 0; k < count; ++k) {
        const std::string& a = versions[i];
        const std::string& b = versions[j];
        const std::string& c = versions[k];
        if (versionLess(a, b) && versionLess(b, c) && !versionLess(a, c)) {
          fail("below is not transitive", a + " " + b + " " + c);
        }
        const bool sameAB = !versionLess(a, b) && !versionLess(b, a);
        const bool sameBC = !versionLess(b, c) && !versionLess(c, b);
        if (sameAB && sameBC && (versionLess(a, c) || versionLess(c, a))) {
          fail("equal versions are not equal to each other", a + " " + b + " " + c);
        }
      }
    }
  }
}

// A release file of any bytes gives a version that can name a key, or none;
// a version written the way runtimes write it is read back unchanged.
void checkReleaseReader(const std::string& text, const std::vector<std::string>& versions) {
  const std::string found = carafe::releaseVersion(text);
  if (!found.empty()) {
    if (!carafe::usableVersion(found)) fail("a release file gave an unusable version", found);
    if (text.find("JAVA_VERSION=") == std::string::npos || text.find(found) == std::string::npos) {
      fail("a release file gave a version it does not hold", found);
    }
  }
  for (const std::string& version : versions) {
    if (!carafe::usableVersion(version)) continue;
    const std::string written = "IMPLEMENTOR=\"x\"\r\nJAVA_VERSION=\"" + version + "\"\r\n";
    if (carafe::releaseVersion(written) != version) {
      fail("a written version is not read back", version);
    }
  }
}

// The minimum form's order is one order, and its choice the highest name
// that reaches the minimum.
void checkMinimumVersion(const std::string& required, const std::vector<std::string>& names) {
  for (const std::string& a : names) {
    for (const std::string& b : names) {
      const int order = carafe::compareVersions(a, b);
      const int reverse = carafe::compareVersions(b, a);
      if ((order > 0) - (order < 0) != (reverse < 0) - (reverse > 0)) {
        fail("two versions are ordered both ways", a + " " + b);
      }
    }
  }
  if (!carafe::isMinimumVersion(required)) return;
  const std::optional<std::string> chosen = carafe::chooseMinimumVersion(names, required);
  const std::string minimum = carafe::minimumOf(required);
  for (const std::string& name : names) {
    if (carafe::reachesMinimum(name, minimum) &&
        (!chosen || carafe::compareVersions(name, *chosen) > 0)) {
      fail("a higher version than the one chosen reaches the minimum", name);
    }
  }
  if (chosen && !carafe::reachesMinimum(*chosen, minimum)) fail("chose one below the minimum");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const carafe::fuzz::Input input(data, size);
  carafe::fuzz::resetFake(input);
  carafe::LaunchSettings& settings = carafe::launchSettings;
  settings.debugMode = input.flag(0);

  std::vector<std::string> lines = carafe::fuzz::splitOn(input.text, "\n");
  const std::string required = lines[0];
  const std::vector<std::string> names(lines.begin() + 1, lines.end());
  if (!input.flag(3)) {
    carafe::fake::addRuntimeBase();
    for (const std::string& name : names) {
      carafe::fake::addRuntime(name, "C:\\Program Files\\jre " + name);
      if (input.flag(6))
        carafe::fake::state().registry[lower(carafe::versionKeyPath(name))].values.clear();
    }
  }
  if (input.flag(2)) carafe::fake::state().answers.assign(4, carafe::platform::ANSWER_YES);

  settings.javaVersion = required;
  try {
    carafe::findRequiredJava();
    // A rewritten version is the name of an installed key.
    if (*settings.javaVersion != required &&
        std::find(names.begin(), names.end(), *settings.javaVersion) == names.end()) {
      fail("javaVersion became a name that is not installed", *settings.javaVersion);
    }
  } catch (const carafe::fake::FakeExit&) {
  }
  carafe::fuzz::checkNothingLeftOpen();

  const std::vector<std::string> some =
      names.size() > 64 ? std::vector<std::string>(names.begin(), names.begin() + 64) : names;
  checkMinimumVersion(required, some);
  checkRuntimeView(some);
  checkReleaseReader(input.text, some);
  return 0;
}
