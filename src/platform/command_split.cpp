#include "platform/command_split.h"

namespace carafe::platform {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  std::vector<std::string> words;
  const std::size_t size = commandLine.size();
  std::size_t i = 0;

  // The program name.
  std::string program;
  bool quoted = false;
  for (; i < size; ++i) {
    const char c = commandLine[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (isBlank(c) && !quoted) {
      break;
    } else {
      program += c;
    }
  }
  words.push_back(program);

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
        word += c;
        ++i;
      }
    }
    words.push_back(word);
  }
  return words;
}

}  // namespace carafe::platform
