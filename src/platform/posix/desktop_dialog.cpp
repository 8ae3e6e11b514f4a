#include "platform/posix/desktop_dialog.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/platform.h"
#include "platform/program_lookup.h"

extern char** environ;

namespace carafe::platform {

namespace {

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

// Runs the words, the program by its full path, and waits: its exit code, or
// -1 when it did not run or did not end by itself.
int runDialog(const std::string& program, std::vector<std::string> words) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(&word[0]);
  argv.push_back(nullptr);
  pid_t child = 0;
  if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    return -1;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool wantsDesktopDialog() {
  return !::isatty(STDERR_FILENO) && (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY"));
}

bool showDesktopDialog(const std::string& caption, const std::string& text, bool question,
                       bool error, int& answer) {
  // The dialog's own exit code for Yes is 0 in each; a window closed without
  // an answer is No.
  std::string program = resolveProgram("zenity");
  int code = -1;
  if (!program.empty()) {
    const char* kind = question ? "--question" : error ? "--error" : "--info";
    code =
        runDialog(program, {"zenity", kind, "--no-markup", "--title=" + caption, "--text=" + text});
  } else if (!(program = resolveProgram("kdialog")).empty()) {
    const char* kind = question ? "--yesno" : error ? "--error" : "--msgbox";
    code = runDialog(program, {"kdialog", "--title", caption, kind, text});
  } else if (!(program = resolveProgram("xmessage")).empty()) {
    const char* buttons = question ? "Yes:0,No:1" : "OK:0";
    code = runDialog(program, {"xmessage", "-center", "-title", caption, "-buttons", buttons,
                               "-default", question ? "No" : "OK", caption + ":\n" + text});
  } else {
    return false;
  }
  // A dialog program that cannot reach the display ends with an error of its own.
  if (code < 0 || code > 1) return false;
  answer = code == 0 ? ANSWER_YES : ANSWER_NO;
  return true;
}

}  // namespace carafe::platform
