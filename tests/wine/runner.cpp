// Starts one command under Wine as a Windows program would (CreateProcessW with
// a command text and a current directory), passes on its standard handles and
// records its whole 32-bit exit code, which Wine's own exit status cuts to 8 bits.
// The texts are taken in UTF-16, so that every character of a path reaches the
// started program.
//
// CARAFE_RUN_COMMAND    the command text
// CARAFE_RUN_PROGRAM    the program to start, where its first word is not (optional)
// CARAFE_RUN_DIRECTORY  the current directory to start it in
// CARAFE_RUN_RESULT     file that receives the exit code in decimal
// CARAFE_RUN_END_WHEN   a fake Java's record file: once it holds a whole start, the
//                       started program is ended (as Task Manager's "End task"
//                       does), and then the fake Java of that start is waited for
// CARAFE_RUN_JAVA_STATE file that receives "ended" when that Java ended too, else
//                       "running"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<wchar_t> environment(const wchar_t* name) {
  std::vector<wchar_t> value(40000, L'\0');
  const DWORD length =
      GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
  if (length == 0 || length >= value.size()) return {};
  value.resize(length + 1);
  return value;
}

std::string readFile(const wchar_t* path) {
  std::string text;
  std::FILE* file = _wfopen(path, L"rb");
  if (file == nullptr) return text;
  char buffer[4096];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
  std::fclose(file);
  return text;
}

// Waits until the record holds a whole start, ends the program, and tells
// whether the Java it started ended with it. Patience, not a measure: the
// system ends a process on its own time.
void endWhenJavaRuns(HANDLE process, const wchar_t* record, const wchar_t* state) {
  std::string text;
  for (int i = 0; i < 2400 && text.find("end\n") == std::string::npos; ++i) {
    Sleep(50);
    text = readFile(record);
  }
  TerminateProcess(process, 1);
  WaitForSingleObject(process, INFINITE);
  const std::size_t at = text.find("pid=");
  const DWORD pid = at == std::string::npos ? 0 : std::strtoul(text.c_str() + at + 4, nullptr, 10);
  const HANDLE java = OpenProcess(SYNCHRONIZE, FALSE, pid);
  const bool ended = java == nullptr || WaitForSingleObject(java, 30000) == WAIT_OBJECT_0;
  std::FILE* file = _wfopen(state, L"wb");
  if (file == nullptr) return;
  std::fputs(ended ? "ended\n" : "running\n", file);
  std::fclose(file);
}

HANDLE inheritable(DWORD which) {
  HANDLE copy = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetStdHandle(which), GetCurrentProcess(), &copy, 0, TRUE,
                  DUPLICATE_SAME_ACCESS);
  return copy;
}

}  // namespace

int main() {
  std::vector<wchar_t> command = environment(L"CARAFE_RUN_COMMAND");
  std::vector<wchar_t> directory = environment(L"CARAFE_RUN_DIRECTORY");
  std::vector<wchar_t> program = environment(L"CARAFE_RUN_PROGRAM");
  std::vector<wchar_t> result = environment(L"CARAFE_RUN_RESULT");
  if (command.empty() || result.empty()) {
    std::fprintf(stderr, "runner: CARAFE_RUN_COMMAND and CARAFE_RUN_RESULT are needed\n");
    return 1;
  }
  STARTUPINFOW startupInfo{};
  startupInfo.cb = sizeof startupInfo;
  startupInfo.dwFlags = STARTF_USESTDHANDLES;
  startupInfo.hStdInput = inheritable(STD_INPUT_HANDLE);
  startupInfo.hStdOutput = inheritable(STD_OUTPUT_HANDLE);
  startupInfo.hStdError = inheritable(STD_ERROR_HANDLE);
  PROCESS_INFORMATION processInfo{};
  if (!CreateProcessW(program.empty() ? nullptr : program.data(), command.data(), nullptr, nullptr,
                      TRUE, 0, nullptr, directory.empty() ? nullptr : directory.data(),
                      &startupInfo, &processInfo)) {
    std::fprintf(stderr, "runner: CreateProcess failed, error %lu\n", GetLastError());
    return 1;
  }
  std::vector<wchar_t> endWhen = environment(L"CARAFE_RUN_END_WHEN");
  std::vector<wchar_t> javaState = environment(L"CARAFE_RUN_JAVA_STATE");
  if (!endWhen.empty() && !javaState.empty()) {
    endWhenJavaRuns(processInfo.hProcess, endWhen.data(), javaState.data());
  }
  WaitForSingleObject(processInfo.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(processInfo.hProcess, &exitCode);
  std::FILE* file = _wfopen(result.data(), L"wb");
  if (file == nullptr) return 1;
  std::fprintf(file, "%lu\n", static_cast<unsigned long>(exitCode));
  std::fclose(file);
  return 0;
}
