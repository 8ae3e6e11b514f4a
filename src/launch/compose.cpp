#include "launch/compose.h"

#include <climits>

#include "core/notice.h"
#include "core/settings.h"
#include "platform/platform.h"

namespace carafe {

namespace {

const char* const CLASSPATH_OPTION = "-classpath ";

// The backslashes that end text: inside added quotes they would escape the
// closing quote, so they are doubled.
std::size_t trailingBackslashes(const std::string& text) {
  std::size_t count = 0;
  for (auto it = text.rbegin(); it != text.rend() && *it == '\\'; ++it) ++count;
  return count;
}

bool holdsSpace(const std::string& text) { return text.find(' ') != std::string::npos; }

}  // namespace

std::size_t commandLineSize() {
  const LaunchSettings& settings = launchSettings;
  std::size_t size = settings.javaPath.value_or(std::string()).size() + 2 +
                     settings.mainClass.value_or(std::string()).size() + 2 +
                     std::char_traits<char>::length(CLASSPATH_OPTION) + 1;
  for (const TextList* list : {&settings.vmParams, &settings.vmPaths, &settings.vmJars}) {
    for (const std::string& entry : list->entries) size += entry.size() + 2;
  }
  for (const std::string& argument : settings.arguments.entries) {
    size += argument.size() + 3;
    if (holdsSpace(argument)) size += trailingBackslashes(argument);
  }
  return size;
}

std::string composeCommandLine() {
  const LaunchSettings& settings = launchSettings;
  const char separator = platform::conventions().classpathSeparator;
  const std::size_t size = commandLineSize();
  traceDebug(formatText("cmdLine is %d chars long\n",
                        size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size)));

  std::string text;
  text.reserve(size);
  text += settings.javaPath.value_or(std::string());
  text += ' ';
  for (const std::string& parameter : settings.vmParams.entries) {
    text += parameter;
    text += ' ';
  }
  text += CLASSPATH_OPTION;
  for (const TextList* list : {&settings.vmPaths, &settings.vmJars}) {
    for (const std::string& entry : list->entries) {
      text += entry;
      text += separator;
    }
  }
  text += ' ';
  text += settings.mainClass.value_or(std::string());
  if (!settings.arguments.entries.empty()) text += ' ';
  for (const std::string& argument : settings.arguments.entries) {
    if (holdsSpace(argument)) {
      text += '"';
      text += argument;
      text.append(trailingBackslashes(argument), '\\');
      text += '"';
    } else {
      text += argument;
    }
    text += ' ';
  }
  return text;
}

}  // namespace carafe
