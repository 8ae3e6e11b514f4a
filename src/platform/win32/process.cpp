// Starting Java and the browser, and ending the launcher.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/platform.h"

namespace carafe::platform {

namespace {

// The program that a command text starts: its first word, without quotes.
std::string programOf(const std::string& commandLine) {
  if (!commandLine.empty() && commandLine[0] == '"') {
    return commandLine.substr(1, commandLine.find('"', 1) - 1);
  }
  return commandLine.substr(0, commandLine.find_first_of(" \t"));
}

// The system's message for an error code, without the line break and the
// full stop that end it, so that it reads like the other platforms' texts.
// A "%1" in it ("%1 is not a valid Win32 application") names the program.
std::string systemMessage(DWORD error, const std::string& program) {
  char* message = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&message), 0, nullptr);
  std::string text;
  if (length != 0 && message != nullptr) text.assign(message, length);
  if (message != nullptr) LocalFree(message);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  if (!text.empty() && text.back() == '.') text.pop_back();
  for (std::size_t at = text.find("%1"); at != std::string::npos;
       at = text.find("%1", at + program.size())) {
    text.replace(at, 2, program);
  }
  if (text.empty()) {
    char code[48];
    std::snprintf(code, sizeof code, "System error %lu", static_cast<unsigned long>(error));
    text = code;
  }
  return text;
}

// CreateProcessA with the launcher's own environment, current directory and
// inheritable handles; the system takes the program from the command's first
// word. CreateProcessA may write into the command text, so it gets a copy.
bool createProcess(const std::string& commandLine, PROCESS_INFORMATION& processInfo) {
  std::vector<char> command(commandLine.begin(), commandLine.end());
  command.push_back('\0');
  STARTUPINFOA startupInfo{};
  startupInfo.cb = sizeof(STARTUPINFOA);
  processInfo = PROCESS_INFORMATION{};
  return CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startupInfo, &processInfo) != 0;
}

// Ctrl+C and Ctrl+Break in a console that Java shares reach Java and the
// launcher alike: the launcher leaves them to Java and waits for its exit code.
// A handler, unlike ignoring the events, is not inherited by Java.
BOOL WINAPI leaveInterruptToJava(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? TRUE : FALSE;
}

}  // namespace

ProcessOutcome runProcess(const std::string& commandLine) {
  ProcessOutcome outcome;
  std::fflush(stdout);
  SetConsoleCtrlHandler(leaveInterruptToJava, TRUE);
  PROCESS_INFORMATION processInfo;
  if (!createProcess(commandLine, processInfo)) {
    outcome.lastError = GetLastError();
    outcome.errorText =
        systemMessage(static_cast<DWORD>(outcome.lastError), programOf(commandLine));
    return outcome;
  }
  outcome.created = true;
  WaitForInputIdle(processInfo.hProcess, 5000);
  WaitForSingleObject(processInfo.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(processInfo.hProcess, &exitCode);
  outcome.exitCode = exitCode;
  CloseHandle(processInfo.hThread);
  CloseHandle(processInfo.hProcess);
  return outcome;
}

void openUrl(const std::string& url) {
  std::fflush(stdout);
  PROCESS_INFORMATION processInfo;
  // Not waited for, and a failure goes unreported.
  if (createProcess("rundll32 url.dll,FileProtocolHandler \"" + url + "\"", processInfo)) {
    CloseHandle(processInfo.hThread);
    CloseHandle(processInfo.hProcess);
  }
}

void exitProcess(int code) { std::exit(code); }

}  // namespace carafe::platform
