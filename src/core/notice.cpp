#include "core/notice.h"

#include <cstdarg>
#include <cstdio>

#include "core/settings.h"

namespace carafe {

std::string formatText(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list copy;
  va_copy(copy, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(&text[0], text.size(), format, arguments);
    text.resize(static_cast<std::size_t>(length));
  }
  va_end(arguments);
  return text;
}

void showPlain(const std::string& caption, const std::string& text) {
  platform::showNotice(caption, text, platform::NoticeStyle::PLAIN);
}

void showError(const std::string& caption, const std::string& text) {
  platform::showNotice(caption, text, platform::NoticeStyle::ERROR);
}

bool askErrorQuestion(const std::string& caption, const std::string& text) {
  return platform::showNotice(caption, text, platform::NoticeStyle::ERROR_QUESTION) ==
         platform::ANSWER_YES;
}

void showDebug(const std::string& caption, const std::string& text) {
  if (launchSettings.debugMode) showPlain(caption, text);
}

void trace(const std::string& line) { platform::writeTrace(line); }

void traceDebug(const std::string& line) {
  if (launchSettings.debugMode) trace(line);
}

void traceSearch(const std::string& line) {
  if (launchSettings.debugMode || !platform::conventions().traceOnStandardError) trace(line);
}

}  // namespace carafe
