// Trace lines (on standard output from the GUI programs, on standard error
// from the console program) and lines on standard error, which whoever
// started the launcher may have captured. The launcher's texts are UTF-8; a
// console shows them as UTF-16, whatever its own code page, while files and
// pipes receive the bytes.
#include <windows.h>

#include <cstdio>

#include "platform/platform.h"
#include "platform/win32/console_text.h"

namespace carafe::platform {

namespace {

void writeTo(std::FILE* stream, DWORD handle, const std::string& text) {
  std::fflush(stdout);
  if (!writeConsoleText(GetStdHandle(handle), text)) {
    std::fwrite(text.data(), 1, text.size(), stream);
  }
  std::fflush(stream);
}

}  // namespace

void writeTrace(const std::string& text) {
  // The console program's standard output is the application's result
  // (tool.exe --json | jq): its trace lines stand beside its notices.
  if (conventions().traceOnStandardError) {
    writeTo(stderr, STD_ERROR_HANDLE, text);
    return;
  }
  // Buffered where it goes to a file: the resolution of a version can trace
  // hundreds of lines. Nothing else is written to standard output, so there
  // is nothing buffered to come first when it is a console.
  if (!writeConsoleText(GetStdHandle(STD_OUTPUT_HANDLE), text)) {
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
}

void writeStandardError(const std::string& text) { writeTo(stderr, STD_ERROR_HANDLE, text); }

}  // namespace carafe::platform
