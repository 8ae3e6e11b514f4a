#include "launch/argument_file.h"

#include "core/notice.h"
#include "launch/inside.h"
#include "platform/command_split.h"
#include "runtime/discovery.h"
#include "runtime/versions.h"

namespace carafe {

namespace {

// The first Java whose java command reads argument files.
constexpr int FIRST_WITH_ARGUMENT_FILES = 9;

}  // namespace

std::string argumentFileText(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) {
    text += '"';
    for (const char c : word) {
      if (c == '\\' || c == '"') {
        text += '\\';
        text += c;
      } else if (c == '\n') {
        text += "\\n";
      } else if (c == '\r') {
        text += "\\r";
      } else {
        text += c;
      }
    }
    text += "\"\n";
  }
  return text;
}

std::string commandWord(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) return word;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

bool startWithArgumentFile(const std::string& commandLine, platform::ProcessOutcome& outcome,
                           std::string& why) {
  const std::vector<std::string> words = platform::splitCommandLine(commandLine);
  const std::string home = words.empty() ? std::string() : runtimeHomeOf(words[0]);
  const std::string version = home.empty() ? std::string() : releaseVersionAt(home);
  if (version.empty()) {
    why = "the version of the runtime of " + (words.empty() ? std::string() : words[0]) +
          " is not known";
    return false;
  }
  if (featureVersion(version) < FIRST_WITH_ARGUMENT_FILES) {
    why = "Java " + version + " reads no argument file";
    return false;
  }
  // The options and the classpath, up to the main class. The file's syntax
  // has no empty word: from one on, the words stay in the command.
  const std::size_t mainClass = mainClassPosition(words);
  std::size_t end = 1;
  while (end < mainClass && !words[end].empty()) ++end;
  if (end == 1) {
    why = "the command has no options to put in one";
    return false;
  }
  const std::vector<std::string> inFile(words.begin() + 1, words.begin() + static_cast<long>(end));
  std::string error;
  const std::string path = platform::writePrivateFile(argumentFileText(inFile), error);
  if (path.empty()) {
    why = "it cannot be written: " + error;
    return false;
  }
  std::string command = commandLine.substr(0, platform::programWordLength(commandLine));
  command += " " + commandWord("@" + path);
  for (std::size_t i = end; i < words.size(); ++i) command += " " + commandWord(words[i]);
  const std::size_t limit = platform::conventions().maxCommandLineLength;
  if (limit != 0 && command.size() > limit) {
    platform::removePrivateFile(path);
    why = "the command is too long without its options too";
    return false;
  }
  traceDebug("Java reads its options and classpath from " + path + "\n");
  outcome = platform::runProcess(command);
  platform::removePrivateFile(path);
  if (!outcome.created && outcome.commandTooLong) {
    why = "the command is too long without its options too";
    return false;
  }
  return true;
}

}  // namespace carafe
