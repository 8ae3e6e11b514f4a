// Splitting a command text by the Windows rules, over arbitrary bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/command_split.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Without quotes and backslashes the rules come down to: words are the runs
// of characters between blanks; the program is the text before the first
// blank, empty when the command begins with one.
std::vector<std::string> plainWords(const std::string& text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size() && !isBlank(text[i])) ++i;
  words.push_back(text.substr(0, i));
  for (;;) {
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i >= text.size()) return words;
    const std::size_t start = i;
    while (i < text.size() && !isBlank(text[i])) ++i;
    words.push_back(text.substr(start, i - start));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> words = carafe::platform::splitCommandLine(text);
  if (words.empty()) carafe::fuzz::fail("no program word");
  std::size_t total = 0;
  for (const std::string& word : words) total += word.size();
  if (total > text.size()) carafe::fuzz::fail("the words are longer than the text");
  if (text.find_first_of("\"\\") == std::string::npos && words != plainWords(text)) {
    carafe::fuzz::fail("plain words split differently", text);
  }
  return 0;
}
