// What carafe-console.exe, the console program, has of its own: notices on
// standard error as "Caption: text", a question answered on the console, and
// java.exe for the registry's runtimes, so that Java shares the console.
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/console_text.h"

namespace carafe::platform {

namespace {

// Reads one line from the console: Yes only for a line that begins with y or
// Y. Without a console (input from a file or a pipe, or none) the answer is
// No, as nobody is there to give one.
int askConsole(const std::string& question) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (!isConsole(input)) return ANSWER_NO;
  // The question is on standard error already, unless that is not the console.
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (isConsole(error)) {
    writeConsoleText(error, "[y/N] ");
  } else {
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    writeConsoleText(console, question + " [y/N] ");
    if (console != INVALID_HANDLE_VALUE) CloseHandle(console);
  }
  // The whole line is read, so that nothing of it is left for Java's input.
  wchar_t answer = L'\0';
  bool first = true;
  for (;;) {
    wchar_t buffer[256];
    DWORD count = 0;
    if (!ReadConsoleW(input, buffer, 256, &count, nullptr) || count == 0) break;
    if (first) answer = buffer[0];
    first = false;
    if (buffer[count - 1] == L'\n') break;
  }
  return (answer == L'y' || answer == L'Y') ? ANSWER_YES : ANSWER_NO;
}

}  // namespace

const Conventions& conventions() { return WINDOWS_CONSOLE_CONVENTIONS; }

int showNotice(const std::string& caption, const std::string& text, NoticeStyle style) {
  const std::string notice = caption + ": " + text;
  writeStandardError(notice + "\n");
  if (style != NoticeStyle::ERROR_QUESTION) return 1;  // OK
  return askConsole(notice);
}

}  // namespace carafe::platform
