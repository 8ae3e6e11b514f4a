#include "platform/win32/long_path.h"

#include <windows.h>

#include <cwchar>

namespace carafe::platform {

namespace {

constexpr std::size_t CLASSIC_LIMIT = MAX_PATH - 12;  // room for a search's "\*.jar"

WideText prefixed(const wchar_t* prefix, const wchar_t* path) {
  WideText result(prefix, prefix + std::wcslen(prefix));
  result.insert(result.end(), path, path + std::wcslen(path) + 1);
  return result;
}

}  // namespace

WideText wideText(const std::string& text) {
  WideText converted;
  if (text.size() < 0x3FFFFFFF) {
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (size > 0) {
      converted.resize(static_cast<std::size_t>(size));
      MultiByteToWideChar(CP_ACP, 0, text.data(), length, converted.data(), size);
    }
  }
  converted.push_back(L'\0');
  return converted;
}

WideText widePath(const std::string& path) {
  WideText result = wideText(path);
  if (result.size() - 1 < CLASSIC_LIMIT || std::wcsncmp(result.data(), L"\\\\?\\", 4) == 0) {
    return result;
  }
  const DWORD size = GetFullPathNameW(result.data(), 0, nullptr, nullptr);
  if (size == 0) return result;
  WideText full(size + 1u, L'\0');
  const DWORD length = GetFullPathNameW(result.data(), size + 1u, full.data(), nullptr);
  if (length == 0 || length > size) return result;
  for (wchar_t& c : full) {
    if (c == L'/') c = L'\\';
  }
  // A network path \\server\share becomes \\?\UNC\server\share.
  if (std::wcsncmp(full.data(), L"\\\\", 2) == 0) return prefixed(L"\\\\?\\UNC\\", full.data() + 2);
  return prefixed(L"\\\\?\\", full.data());
}

std::string narrowText(const wchar_t* text) {
  const std::size_t length = std::wcslen(text);
  if (length == 0 || length > 0x3FFFFFFF) return std::string();
  const int wideLength = static_cast<int>(length);
  const int size = WideCharToMultiByte(CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string converted(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, wideLength, &converted[0], size, nullptr, nullptr);
  return converted;
}

}  // namespace carafe::platform
