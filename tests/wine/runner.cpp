// Starts one command under Wine as a Windows program would (CreateProcessA with
// a command text and a current directory), passes on its standard handles and
// records its whole 32-bit exit code, which Wine's own exit status cuts to 8 bits.
//
// CARAFE_RUN_COMMAND    the command text
// CARAFE_RUN_DIRECTORY  the current directory to start it in
// CARAFE_RUN_RESULT     file that receives the exit code in decimal
#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

std::vector<char> environment(const char* name) {
  std::vector<char> value(40000, '\0');
  const DWORD length =
      GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
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
  std::vector<char> command = environment("CARAFE_RUN_COMMAND");
  std::vector<char> directory = environment("CARAFE_RUN_DIRECTORY");
  std::vector<char> result = environment("CARAFE_RUN_RESULT");
  if (command.empty() || result.empty()) {
    std::fprintf(stderr, "runner: CARAFE_RUN_COMMAND and CARAFE_RUN_RESULT are needed\n");
    return 1;
  }
  STARTUPINFOA startupInfo{};
  startupInfo.cb = sizeof startupInfo;
  startupInfo.dwFlags = STARTF_USESTDHANDLES;
  startupInfo.hStdInput = inheritable(STD_INPUT_HANDLE);
  startupInfo.hStdOutput = inheritable(STD_OUTPUT_HANDLE);
  startupInfo.hStdError = inheritable(STD_ERROR_HANDLE);
  PROCESS_INFORMATION processInfo{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      directory.empty() ? nullptr : directory.data(), &startupInfo, &processInfo)) {
    std::fprintf(stderr, "runner: CreateProcess failed, error %lu\n", GetLastError());
    return 1;
  }
  WaitForSingleObject(processInfo.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(processInfo.hProcess, &exitCode);
  std::FILE* file = std::fopen(result.data(), "wb");
  if (file == nullptr) return 1;
  std::fprintf(file, "%lu\n", static_cast<unsigned long>(exitCode));
  std::fclose(file);
  return 0;
}
