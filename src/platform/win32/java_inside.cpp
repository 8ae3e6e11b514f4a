// Java inside the launcher: the runtime's jvm.dll loaded by its full path,
// its own DLLs from the runtime's bin folder and the system's directory only,
// and the application run on a thread of its own while the launcher's first
// thread waits for its end.
#include <process.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/binary_kind.h"
#include "platform/java_vm.h"
#include "platform/platform.h"
#include "platform/win32/long_path.h"
#include "platform/win32/system_message.h"

// Vista's headers do not have these (Windows 8, and 7 with KB2533623).
#ifndef LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
#define LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR 0x00000100
#define LOAD_LIBRARY_SEARCH_USER_DIRS 0x00000400
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace carafe::platform {

namespace {

#if defined(__aarch64__)
constexpr unsigned LAUNCHER_MACHINE = 0xAA64;
#elif defined(_WIN64)
constexpr unsigned LAUNCHER_MACHINE = 0x8664;
#else
constexpr unsigned LAUNCHER_MACHINE = 0x14C;
#endif

// Where the library and the DLLs it loads come from: its own folder, the
// runtime's bin folder, the system's directory.
constexpr DWORD SEARCH_FLAGS =
    LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS | LOAD_LIBRARY_SEARCH_SYSTEM32;

using AddDllDirectoryFunction = void*(WINAPI*)(const wchar_t*);
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// How Java ended, told by whichever thread saw it first: the thread that ran
// main, or the machine's exit and abort hooks.
CRITICAL_SECTION endingLock;
HANDLE endingSeen = nullptr;
bool ended = false;
int endingCode = 0;
bool aborted = false;

const JavaInside* running = nullptr;
jni::Library library;

void tellEnd(int code, bool abort = false) {
  EnterCriticalSection(&endingLock);
  if (!ended) {
    ended = true;
    endingCode = code;
    aborted = abort;
  }
  LeaveCriticalSection(&endingLock);
  SetEvent(endingSeen);
}

// The hooks run while the machine ends the process; the launcher's first
// thread reports the end and ends the process itself, so they wait for that.
[[noreturn]] void waitForTheEnd() {
  for (;;) Sleep(INFINITE);
}

void CARAFE_JNICALL exitHook(jni::jint code) {
  tellEnd(static_cast<int>(code));
  waitForTheEnd();
}

// The machine aborts when it fails to start or crashes, and then ends with 1.
void CARAFE_JNICALL abortHook() {
  tellEnd(1, true);
  waitForTheEnd();
}

unsigned __stdcall runJava(void*) {
  tellEnd(jni::runApplication(library, *running));
  return 0;
}

// The directory of a path: the path up to its last separator.
WideText directoryOf(const WideText& path) {
  std::size_t cut = 0;
  for (std::size_t i = 0; i < path.size() && path[i] != L'\0'; ++i) {
    if (path[i] == L'\\' || path[i] == L'/') cut = i;
  }
  WideText directory(path.begin(), path.begin() + static_cast<long>(cut));
  directory.push_back(L'\0');
  return directory;
}

WideText joined(const WideText& directory, const wchar_t* name) {
  WideText path(directory.begin(), directory.end() - 1);
  for (const wchar_t* c = name; *c != L'\0'; ++c) path.push_back(*c);
  path.push_back(L'\0');
  return path;
}

// The first bytes of a file, for its header.
std::string fileStart(const WideText& path) {
  const HANDLE file = CreateFileW(path.data(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes(4096, '\0');
  DWORD read = 0;
  if (!ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr)) read = 0;
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

// The splash screen, as the java command shows it before the machine
// starts, where the runtime has the DLL for it; the toolkit closes it.
void showSplash(const JavaInside& java, const WideText& bin) {
  if (java.splashImage.empty()) return;
  const HMODULE splash =
      LoadLibraryExW(joined(bin, L"\\splashscreen.dll").data(), nullptr, SEARCH_FLAGS);
  if (splash == nullptr) return;
  using Init = void(__cdecl*)();
  using LoadFile = int(__cdecl*)(const char*);
  using SetFileJarName = void(__cdecl*)(const char*, const char*);
  const auto init =
      reinterpret_cast<Init>(reinterpret_cast<void*>(GetProcAddress(splash, "SplashInit")));
  const auto loadFile =
      reinterpret_cast<LoadFile>(reinterpret_cast<void*>(GetProcAddress(splash, "SplashLoadFile")));
  const auto setName = reinterpret_cast<SetFileJarName>(
      reinterpret_cast<void*>(GetProcAddress(splash, "SplashSetFileJarName")));
  if (init == nullptr || loadFile == nullptr) return;
  init();
  loadFile(java.splashImage.c_str());
  if (setName != nullptr) setName(java.splashImage.c_str(), nullptr);
}

template <typename Function>
Function procedure(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

ProcessOutcome runJavaInside(const JavaInside& java) {
  ProcessOutcome outcome;
  std::fflush(stdout);
  const WideText path = wideText(java.library);
  outcome.errorText = windowsLibraryProblem(fileStart(path), LAUNCHER_MACHINE);
  if (!outcome.errorText.empty()) return outcome;

  // Its C runtime DLLs are in the runtime's bin folder: that folder is added
  // to the places DLLs come from, and the launcher's folder and the current
  // directory are not among them, also for the DLLs the runtime loads later.
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto addDllDirectory = procedure<AddDllDirectoryFunction>(kernel, "AddDllDirectory");
  const auto setDefaultDllDirectories =
      procedure<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories");
  if (addDllDirectory == nullptr || setDefaultDllDirectories == nullptr) {
    outcome.errorText =
        "this Windows cannot keep its DLLs to the runtime's folders (Windows 7 "
        "needs update KB2533623)";
    return outcome;
  }
  const WideText bin = directoryOf(directoryOf(path));
  if (addDllDirectory(bin.data()) == nullptr ||
      !setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS)) {
    outcome.errorText = systemMessage(GetLastError(), java.library);
    return outcome;
  }
  const HMODULE module = LoadLibraryExW(path.data(), nullptr, SEARCH_FLAGS);
  if (module == nullptr) {
    outcome.errorText = systemMessage(GetLastError(), java.library);
    return outcome;
  }
  library.createJavaVM = procedure<jni::CreateJavaVM>(module, "JNI_CreateJavaVM");
  library.defaultInitArgs =
      procedure<jni::GetDefaultJavaVMInitArgs>(module, "JNI_GetDefaultJavaVMInitArgs");
  library.exitHook = exitHook;
  library.abortHook = abortHook;
  if (library.createJavaVM == nullptr) {
    outcome.errorText = "it has no JNI_CreateJavaVM";
    return outcome;
  }
  running = &java;
  InitializeCriticalSection(&endingLock);
  endingSeen = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (endingSeen == nullptr) {
    outcome.errorText = systemMessage(GetLastError(), java.library);
    return outcome;
  }

  showSplash(java, bin);
  const std::size_t stackSize = jni::mainThreadStackSize(library, java);
  const std::uintptr_t thread = _beginthreadex(nullptr, static_cast<unsigned>(stackSize), runJava,
                                               nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == 0) {
    outcome.errorText = "no thread for it";
    return outcome;
  }
  CloseHandle(reinterpret_cast<HANDLE>(thread));
  WaitForSingleObject(endingSeen, INFINITE);
  EnterCriticalSection(&endingLock);
  outcome.exitCode = static_cast<std::uint32_t>(endingCode);
  outcome.aborted = aborted;
  LeaveCriticalSection(&endingLock);
  outcome.created = true;
  outcome.processId = GetCurrentProcessId();
  std::fflush(stderr);
  return outcome;
}

}  // namespace carafe::platform
