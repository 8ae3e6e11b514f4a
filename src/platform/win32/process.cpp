// Starting Java and the browser, and ending the launcher.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/job.h"
#include "platform/win32/system_message.h"

namespace carafe::platform {

namespace {

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
  keepWithLauncher(processInfo.hProcess);
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
