// A stand-in for a runtime's C runtime DLL, which the fake jvm.dll imports:
// it tells where it was loaded from, so that a test sees which copy the
// system took (the runtime's bin folder, or one planted elsewhere).
#include <windows.h>

extern "C" __declspec(dllexport) const wchar_t* fake_crt_module() {
  static wchar_t path[MAX_PATH * 2] = L"";
  HMODULE self = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&fake_crt_module), &self);
  GetModuleFileNameW(self, path, MAX_PATH * 2);
  return path;
}
