// A stand-in for a runtime's bin\javaw.exe and bin\java.exe: it records how it
// was started and ends as the test asks.
//
// CARAFE_FAKE_JAVA_RECORD  file to append the record to (else record.txt beside itself)
// CARAFE_FAKE_JAVA_EXIT    exit code (0 to 4294967295), or "crash" for an access violation
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
int _dowildcard = 0;
}

namespace {

void recordPath(char* path, DWORD size) {
  const DWORD length = GetEnvironmentVariableA("CARAFE_FAKE_JAVA_RECORD", path, size);
  if (length > 0 && length < size) return;
  const DWORD moduleLength = GetModuleFileNameA(nullptr, path, size);
  char* cut = std::strrchr(path, '\\');
  if (moduleLength == 0 || cut == nullptr || static_cast<DWORD>(cut - path) + 12 > size) {
    std::snprintf(path, size, "record.txt");
    return;
  }
  std::snprintf(cut + 1, size - static_cast<DWORD>(cut + 1 - path), "record.txt");
}

LONG WINAPI endWithExceptionCode(EXCEPTION_POINTERS*) { return EXCEPTION_EXECUTE_HANDLER; }

}  // namespace

int main(int argc, char** argv) {
  char path[MAX_PATH * 2];
  recordPath(path, sizeof path);
  std::FILE* record = std::fopen(path, "ab");
  if (record != nullptr) {
    char directory[MAX_PATH * 2] = "";
    GetCurrentDirectoryA(sizeof directory, directory);
    char module[MAX_PATH * 2] = "";
    GetModuleFileNameA(nullptr, module, sizeof module);
    std::fprintf(record, "module=%s\n", module);
    std::fprintf(record, "command=%s\n", GetCommandLineA());
    std::fprintf(record, "directory=%s\n", directory);
    std::fprintf(record, "argc=%d\n", argc);
    for (int i = 0; i < argc; ++i) std::fprintf(record, "argv=%s\n", argv[i]);
    std::fprintf(record, "end\n");
    std::fclose(record);
  }

  char exit[64] = "";
  const DWORD length = GetEnvironmentVariableA("CARAFE_FAKE_JAVA_EXIT", exit, sizeof exit);
  if (length == 0 || length >= sizeof exit) return 0;
  if (std::strcmp(exit, "crash") == 0) {
    // No crash dialog and no debugger: the process ends with the exception code.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(endWithExceptionCode);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
  }
  ExitProcess(static_cast<UINT>(std::strtoul(exit, nullptr, 10)));
}
