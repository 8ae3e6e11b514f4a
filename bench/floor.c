/* The least a launcher that waits for Java can cost: one extra process that
 * starts the program named by its arguments and waits for it. Nothing is read,
 * searched or composed. Built natively, and with MinGW-w64 for the runs under
 * Wine, where it hands the rest of its own command line to CreateProcessA.
 * With WAIT_FOR_INPUT_IDLE it also waits for the child's input idle state, as
 * the Windows launcher does; that brings in user32.dll, whose start-up is a
 * large part of a process start under Wine. */
#ifdef _WIN32
#include <windows.h>

int main(void) {
  /* Skip this program's own name; the rest is the command to start. */
  const char* rest = GetCommandLineA();
  if (*rest == '"') {
    ++rest;
    while (*rest != '\0' && *rest != '"') ++rest;
    if (*rest == '"') ++rest;
  } else {
    while (*rest != '\0' && *rest != ' ' && *rest != '\t') ++rest;
  }
  while (*rest == ' ' || *rest == '\t') ++rest;

  static char command[32768];
  lstrcpynA(command, rest, sizeof command);
  STARTUPINFOA startup;
  PROCESS_INFORMATION process;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
    return 2;
  }
#ifdef WAIT_FOR_INPUT_IDLE
  WaitForInputIdle(process.hProcess, 5000);
#endif
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  return (int)code;
}

#else
#include <spawn.h>
#include <stdio.h>
#include <sys/wait.h>

extern char** environ;

int main(int argc, char** argv) {
  pid_t child;
  int status = 0;
  if (argc < 2) {
    fprintf(stderr, "usage: %s PROGRAM [ARGUMENT...]\n", argv[0]);
    return 2;
  }
  if (posix_spawn(&child, argv[1], NULL, NULL, argv + 1, environ) != 0) return 2;
  if (waitpid(child, &status, 0) < 0) return 2;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
#endif
