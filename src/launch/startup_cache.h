// The startup cache: Java's class data kept between runs in the user's own
// cache folder, so that later starts skip most of the loading and linking.
// What decides whether one is valid (the runtime, the classpath, the main
// class, the options) names its file; a cache that is missing, stale or
// broken costs nothing but its own benefit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace carafe {

// What a runtime can keep: a class-data archive dumped from the list of the
// classes that a run loaded (Java 13 and later), an ahead-of-time cache
// (Java 25 and later), or nothing. Both are made in two steps: a run of the
// application records, and a background run after it ended assembles.
enum class CacheKind { NONE, CLASS_ARCHIVE, AHEAD_OF_TIME };

CacheKind cacheKindFor(int featureVersion);

// One classpath entry, as the file system has it.
struct CachedEntry {
  std::string path;
  platform::FileFacts facts;
};

// Why Java cannot archive the classes of this classpath (it refuses a
// directory or a missing entry, and the virtual machine then ends with 1);
// empty when it can.
std::string classpathRefusal(const std::vector<CachedEntry>& classpath);

// The digest of everything that makes a cache valid, as 16 hexadecimal digits.
std::string cacheDigest(CacheKind kind, const std::string& runtimeHome,
                        const std::string& releaseText, const std::vector<CachedEntry>& classpath,
                        const std::string& mainClass, const std::vector<std::string>& options);

// The user's cache folder for the application: its parent, where the user's
// caches live, and the folder itself (the base's own child, named after the
// application); empty with why set where there is none that is fit.
std::string cacheFolderBase(std::string& why);
std::string cacheFolderName(const std::string& appName, const std::string& launcherName);

// The cache of one start: what Java is given, and what is left to do after
// it has ended.
struct StartupCache {
  CacheKind kind = CacheKind::NONE;
  std::string folder;
  std::string digest;
  std::string used;                     // the valid cache Java reads; empty when there is none
  std::string made;                     // what Java writes during this run, under a temporary name
  std::vector<std::string> options;     // the options this adds, before the configured ones
  std::vector<std::string> configured;  // the configured options, for the assembly step
  std::string state;                    // for the trace and carafe-check: used, made, refused
  std::size_t stale = 0;                // caches in the folder for other jars, runtimes or options
};

// Settles the cache for the chosen runtime and puts its options in front of
// the configured ones; nothing where "startupCache on" is not given.
StartupCache prepareStartupCache();

// After Java ended: where it ended normally, starts the assembly from what it
// recorded in the background, and removes caches beyond the newest two.
void finishStartupCache(const StartupCache& cache, const platform::ProcessOutcome& outcome);

// The cache of the last start that prepared one (for carafe-check).
const StartupCache& lastStartupCache();

}  // namespace carafe
