// Notices on standard error as "caption: text", and the trace lines beside
// them: standard output is left to the application. A question is answered
// on the controlling terminal, and counts as No where there is none. On a
// desktop, where standard error is no terminal, a notice shows in a window
// too, and a question is answered there.
#include <fcntl.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/desktop_dialog.h"
#include "platform/posix/java_host.h"

namespace carafe::platform {

namespace {

// The host's notices and trace lines until Java starts (see holdNotices).
bool holding = false;
std::string held;

void writeAll(int descriptor, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
    if (written <= 0) return;
    done += static_cast<std::size_t>(written);
  }
}

// Reads the answer to a question from the controlling terminal: Yes only for
// a line that begins with y or Y.
int askTerminal(const std::string& question) {
  const int terminal = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (terminal < 0) return ANSWER_NO;
  // The question is on standard error already, unless that is not this terminal.
  writeAll(terminal, ::isatty(STDERR_FILENO) ? std::string("[y/N] ") : question + " [y/N] ");
  char answer = '\0';
  char c = '\0';
  bool first = true;
  while (::read(terminal, &c, 1) == 1 && c != '\n') {
    if (first) answer = c;
    first = false;
  }
  ::close(terminal);
  return (answer == 'y' || answer == 'Y') ? ANSWER_YES : ANSWER_NO;
}

}  // namespace

int showNotice(const std::string& caption, const std::string& text, NoticeStyle style) {
  const std::string notice = caption + ": " + text;
  if (holding) {
    held += notice + "\n";
    return style == NoticeStyle::ERROR_QUESTION ? ANSWER_NO : 1;
  }
  writeAll(STDERR_FILENO, notice + "\n");
  const bool question = style == NoticeStyle::ERROR_QUESTION;
  // Started from a desktop's menu, where nobody reads standard error.
  int answer = ANSWER_NO;
  if (wantsDesktopDialog() &&
      showDesktopDialog(caption, text, question, style != NoticeStyle::PLAIN, answer)) {
    return question ? answer : 1;
  }
  if (!question) return 1;  // OK
  return askTerminal(notice);
}

void writeTrace(const std::string& text) {
  if (holding) {
    held += text;
    return;
  }
  writeAll(STDERR_FILENO, text);
}

void writeStandardError(const std::string& text) { writeTrace(text); }

void holdNotices() { holding = true; }

void dropHeldNotices() {
  holding = false;
  held.clear();
}

void showHeldNotices() {
  holding = false;
  writeAll(STDERR_FILENO, held);
  held.clear();
}

}  // namespace carafe::platform
