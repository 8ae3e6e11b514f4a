// The Java runtimes' registry entries, read only: the runtime registry under
// HKEY_LOCAL_MACHINE in the program's own view, and both views of both hives.
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace carafe::platform {

namespace {

HKEY handleOf(RegistryKey key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

long registryOpen(const std::string& path, RegistryKey& key) {
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &opened);
  if (result == ERROR_SUCCESS) key = reinterpret_cast<RegistryKey>(opened);
  return result;
}

long registryReadText(RegistryKey key, const std::string& valueName, std::uint32_t room,
                      std::string& text) {
  // One byte more than offered, so that data without a terminator can be ended.
  std::vector<char> buffer(static_cast<std::size_t>(room) + 1, '\0');
  DWORD size = room;
  const LONG result = RegQueryValueExA(handleOf(key), valueName.c_str(), nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(buffer.data()), &size);
  if (result != ERROR_SUCCESS) return result;
  // Whatever the value's type, its data is taken as text up to the first NUL,
  // and never beyond what the registry returned.
  const std::size_t length = size < room ? size : room;
  text.assign(buffer.data(), strnlen(buffer.data(), length));
  return ERROR_SUCCESS;
}

std::uint32_t registrySubkeyCount(RegistryKey key) {
  char className[260];
  DWORD classLength = sizeof className;
  DWORD subkeys = 0;
  DWORD longestSubkey = 0;
  DWORD longestClass = 0;
  DWORD values = 0;
  DWORD longestValueName = 0;
  DWORD longestValue = 0;
  DWORD securityDescriptor = 0;
  FILETIME lastWrite{};
  // Only the count is used; it stays 0 when the query fails.
  RegQueryInfoKeyA(handleOf(key), className, &classLength, nullptr, &subkeys, &longestSubkey,
                   &longestClass, &values, &longestValueName, &longestValue, &securityDescriptor,
                   &lastWrite);
  return subkeys;
}

long registryEnumerate(RegistryKey key, std::uint32_t index, std::uint32_t room,
                       std::string& name) {
  std::vector<char> buffer(static_cast<std::size_t>(room) + 1, '\0');
  DWORD length = room;
  FILETIME lastWrite{};
  const LONG result = RegEnumKeyExA(handleOf(key), index, buffer.data(), &length, nullptr, nullptr,
                                    nullptr, &lastWrite);
  if (result != ERROR_SUCCESS) return result;
  name.assign(buffer.data(), strnlen(buffer.data(), length < room ? length : room));
  return ERROR_SUCCESS;
}

void registryClose(RegistryKey key) { RegCloseKey(handleOf(key)); }

long registryOpenAt(RegistryRoot root, const std::string& path, RegistryKey& key) {
  const bool machine = root == RegistryRoot::MACHINE_64 || root == RegistryRoot::MACHINE_32;
  const bool view64 = root == RegistryRoot::MACHINE_64 || root == RegistryRoot::USER_64;
  // On 32-bit Windows there is one view, and both flags reach it.
  const REGSAM access = KEY_READ | (view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExA(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, path.c_str(),
                                    0, access, &opened);
  if (result == ERROR_SUCCESS) key = reinterpret_cast<RegistryKey>(opened);
  return result;
}

}  // namespace carafe::platform
