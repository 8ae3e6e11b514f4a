// Starting Java and the browser, and ending the launcher.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/command_split.h"
#include "platform/exception_names.h"
#include "platform/platform.h"
#include "platform/program_lookup.h"
#include "platform/win32/job.h"
#include "platform/win32/system_message.h"

namespace carafe::platform {

namespace {

// The system directory, where the programs of Windows itself are.
std::string systemDirectory() {
  const UINT size = GetSystemDirectoryA(nullptr, 0);
  std::vector<char> directory(size + 1u, '\0');
  const UINT length = GetSystemDirectoryA(directory.data(), size + 1u);
  if (size == 0 || length == 0 || length > size) return "C:\\Windows\\System32";
  return std::string(directory.data(), length);
}

// CreateProcessA with the launcher's own environment, current directory and
// inheritable handles. The program is given by its full path: without it the
// system would look for the command's first word beside the launcher and in
// the current directory first, and would try every part of an unquoted path
// before a space ("C:\Program.exe"). CreateProcessA may write into the
// command text, so it gets a copy.
bool createProcess(const std::string& program, const std::string& commandLine,
                   PROCESS_INFORMATION& processInfo, DWORD flags = 0) {
  std::vector<char> command(commandLine.begin(), commandLine.end());
  command.push_back('\0');
  STARTUPINFOA startupInfo{};
  startupInfo.cb = sizeof(STARTUPINFOA);
  processInfo = PROCESS_INFORMATION{};
  return CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, TRUE, flags, nullptr,
                        nullptr, &startupInfo, &processInfo) != 0;
}

void failed(ProcessOutcome& outcome, DWORD error, const std::string& program) {
  outcome.lastError = error;
  outcome.errorText = systemMessage(error, program);
}

// Ctrl+C and Ctrl+Break in a console that Java shares reach Java and the
// launcher alike: the launcher leaves them to Java and waits for its exit code.
// A handler, unlike ignoring the events, is not inherited by Java.
BOOL WINAPI leaveInterruptToJava(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? TRUE : FALSE;
}

// A process ended by an exception has the exception's code as its exit code:
// a status of warning or error severity that is not a customer code
// (0xC0000005 for an access violation, 0xC00000FD for a stack overflow).
// Programs' own negative codes (-1 is 0xFFFFFFFF) have the customer bit set.
bool isExceptionCode(DWORD code) { return (code & 0x80000000u) != 0 && (code & 0x20000000u) == 0; }

}  // namespace

ProcessOutcome runProcess(const std::string& commandLine) {
  ProcessOutcome outcome;
  std::fflush(stdout);
  SetConsoleCtrlHandler(leaveInterruptToJava, TRUE);
  const std::string named = programWord(commandLine);
  std::string program = resolveProgram(named);
  if (program.empty()) {
    failed(outcome, ERROR_FILE_NOT_FOUND, named);
    return outcome;
  }
  std::string command = commandLine;
  if (isBatchFile(program)) {
    // The system hands a batch file's whole command to cmd.exe, which would
    // run what follows a "&" in an argument as a command of its own. It is
    // started only where cmd.exe reads every word as a word: then through
    // cmd.exe itself, without AutoRun commands or delayed expansion, with the
    // batch file named by its full path.
    outcome.errorText = batchFileRefusal(commandLine);
    if (!outcome.errorText.empty()) {
      outcome.lastError = ERROR_BAD_ARGUMENTS;
      return outcome;
    }
    command = "cmd.exe /d /v:off /s /c \"\"" + program + "\"" +
              commandLine.substr(programWordLength(commandLine)) + "\"";
    program = systemDirectory() + "\\cmd.exe";
  }
  // Suspended until it is in the launcher's job, so that no moment of it runs outside.
  PROCESS_INFORMATION processInfo;
  if (!createProcess(program, command, processInfo, CREATE_SUSPENDED)) {
    // Named by its path, a program in a folder that does not exist is "path
    // not found"; the user is told, as always, that the file is not found.
    const DWORD error = GetLastError();
    failed(outcome, error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error, named);
    outcome.commandTooLong = error == ERROR_FILENAME_EXCED_RANGE;
    return outcome;
  }
  outcome.created = true;
  keepWithLauncher(processInfo.hProcess);
  ResumeThread(processInfo.hThread);
  WaitForInputIdle(processInfo.hProcess, 5000);
  WaitForSingleObject(processInfo.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(processInfo.hProcess, &exitCode);
  outcome.exitCode = exitCode;
  outcome.abnormalEnd = isExceptionCode(exitCode);
  if (outcome.abnormalEnd) outcome.endDescription = exceptionDescription(exitCode);
  outcome.processId = processInfo.dwProcessId;
  CloseHandle(processInfo.hThread);
  CloseHandle(processInfo.hProcess);
  return outcome;
}

void openUrl(const std::string& url) {
  std::fflush(stdout);
  PROCESS_INFORMATION processInfo;
  // The shell's URL handler, from the system directory. Not waited for, and a
  // failure goes unreported.
  if (createProcess(systemDirectory() + "\\rundll32.exe",
                    "rundll32 url.dll,FileProtocolHandler \"" + url + "\"", processInfo)) {
    CloseHandle(processInfo.hThread);
    CloseHandle(processInfo.hProcess);
  }
}

void exitProcess(int code) { std::exit(code); }

}  // namespace carafe::platform
