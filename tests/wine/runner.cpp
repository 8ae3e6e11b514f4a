// Starts one command under Wine as a Windows program would (CreateProcessW with
// a command text and a current directory), passes on its standard handles and
// records its whole 32-bit exit code, which Wine's own exit status cuts to 8 bits.
// The texts are taken in UTF-16, so that every character of a path reaches the
// started program.
//
// CARAFE_RUN_COMMAND    the command text
// CARAFE_RUN_DIRECTORY  the current directory to start it in
// CARAFE_RUN_RESULT     file that receives the exit code in decimal
#include <windows.h>

#include <cstdio>
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
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      directory.empty() ? nullptr : directory.data(), &startupInfo, &processInfo)) {
    std::fprintf(stderr, "runner: CreateProcess failed, error %lu\n", GetLastError());
    return 1;
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
