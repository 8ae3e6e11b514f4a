// Where a Windows program of carafe's loads the DLLs that it loads itself,
// after start-up (the message box's theme and version DLLs, the shell's):
// from the system directory only. By default Windows looks beside the program
// first and in the current directory, which are a Downloads folder or a
// folder just unpacked, where anyone may have put a "version.dll". Each
// program does this first thing in main.
#pragma once

#include <windows.h>

namespace carafe::platform {

inline void restrictLibrarySearch() {
  // No current directory in the search, on every version of Windows.
  SetDllDirectoryW(L"");
  // Windows 8, and 7 with KB2533623: the system directory alone. Looked up,
  // since the programs start on systems without it too.
  constexpr DWORD SEARCH_SYSTEM32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  using SetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return;
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectories>(
      reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault != nullptr) setDefault(SEARCH_SYSTEM32);
}

}  // namespace carafe::platform
