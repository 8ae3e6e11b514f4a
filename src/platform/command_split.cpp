#include "platform/command_split.h"

#include <utility>

namespace carafe::platform {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isSpecial(char c) { return isBlank(c) || c == '"' || c == '\\'; }

}  // namespace

std::size_t programWordLength(const std::string& commandLine) {
  bool quoted = false;
  std::size_t i = 0;
  for (; i < commandLine.size(); ++i) {
    const char c = commandLine[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (isBlank(c) && !quoted) {
      break;
    }
  }
  return i;
}

std::string programWord(const std::string& commandLine) {
  // Its quotes group, without escapes.
  const std::size_t length = programWordLength(commandLine);
  std::string program;
  for (std::size_t j = 0; j < length; ++j) {
    if (commandLine[j] != '"') program += commandLine[j];
  }
  return program;
}

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  std::vector<std::string> words;
  const std::size_t size = commandLine.size();

  std::size_t i = programWordLength(commandLine);
  words.push_back(programWord(commandLine));
  bool quoted = false;

  for (;;) {
    while (i < size && isBlank(commandLine[i])) ++i;
    if (i >= size) break;
    std::string word;
    quoted = false;
    while (i < size) {
      const char c = commandLine[i];
      if (c == '\\') {
        std::size_t count = 0;
        while (i < size && commandLine[i] == '\\') {
          ++count;
          ++i;
        }
        if (i < size && commandLine[i] == '"') {
          word.append(count / 2, '\\');
          if (count % 2 == 1) {
            word += '"';
            ++i;
          }
        } else {
          word.append(count, '\\');
        }
      } else if (c == '"') {
        if (quoted && i + 1 < size && commandLine[i + 1] == '"') {
          word += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else if (isBlank(c) && !quoted) {
        break;
      } else {
        // A run of plain characters is taken at once: a classpath is one long word.
        std::size_t end = i + 1;
        while (end < size && !isSpecial(commandLine[end])) ++end;
        word.append(commandLine, i, end - i);
        i = end;
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

}  // namespace carafe::platform
