// Reads a branded exe's version information and icon through Windows' own
// functions, as Explorer does, and prints what it found for brand_test.py:
//
//   brand_check.exe EXE KEY...
//
//   acp 1252                       the ANSI code page the A functions convert to
//   fixed FEEF04BD 00010000 ...    the 13 fields of VS_FIXEDFILEINFO in hex
//   translation 0409 04B0          language and code page
//   string KEY A-HEX W-HEX         the value through VerQueryValueA and ...W, in hex
//   icons 1                        the icon groups ExtractIconExA counts
//   image 256 256 256 32           size asked, width, height and bits per pixel loaded
//
// Texts are printed in hex so that no console code page comes between.
#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>
#include <winver.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

void printHex(const void* data, std::size_t size) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  if (size == 0) std::printf("-");
  for (std::size_t i = 0; i < size; ++i) std::printf("%02X", bytes[i]);
}

std::wstring wide(const char* text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &out[0], length);
  out.resize(static_cast<std::size_t>(length - 1));
  return out;
}

bool printVersion(const char* path, int keyCount, char** keys) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &handle);
  std::vector<char> data(size);
  if (size == 0 || !GetFileVersionInfoA(path, 0, size, data.data())) return false;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
      length < sizeof *fixed) {
    return false;
  }
  std::printf("fixed");
  const DWORD* fields = reinterpret_cast<const DWORD*>(fixed);
  for (std::size_t i = 0; i < sizeof *fixed / sizeof(DWORD); ++i) {
    std::printf(" %08lX", static_cast<unsigned long>(fields[i]));
  }
  std::printf("\n");
  WORD* translation = nullptr;
  if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length) ||
      length < 4) {
    return false;
  }
  std::printf("translation %04X %04X\n", translation[0], translation[1]);
  char table[64];
  std::snprintf(table, sizeof table, "\\StringFileInfo\\%04x%04x\\", translation[0],
                translation[1]);

  const std::wstring widePath = wide(path);
  const DWORD wideSize = GetFileVersionInfoSizeW(widePath.c_str(), &handle);
  std::vector<char> wideData(wideSize);
  if (wideSize == 0 || !GetFileVersionInfoW(widePath.c_str(), 0, wideSize, wideData.data())) {
    return false;
  }
  for (int i = 0; i < keyCount; ++i) {
    std::printf("string %s ", keys[i]);
    const std::string query = table + std::string(keys[i]);
    char* text = nullptr;
    // Lengths count characters with the terminator.
    if (VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) &&
        length > 0) {
      printHex(text, std::strlen(text));
    } else {
      std::printf("missing");
    }
    std::printf(" ");
    wchar_t* wideText = nullptr;
    if (VerQueryValueW(wideData.data(), wide(query.c_str()).c_str(),
                       reinterpret_cast<void**>(&wideText), &length) &&
        length > 0) {
      printHex(wideText, 2 * wcslen(wideText));
    } else {
      std::printf("missing");
    }
    std::printf("\n");
  }
  return true;
}

void printIcons(const char* path) {
  std::printf("icons %u\n", ExtractIconExA(path, -1, nullptr, nullptr, 0));
  HMODULE module =
      LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (module == nullptr) return;
  for (int size : {16, 32, 48, 256}) {
    HICON icon =
        static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, 0));
    ICONINFO info{};
    BITMAP bitmap{};
    if (icon != nullptr && GetIconInfo(icon, &info) && info.hbmColor != nullptr &&
        GetObjectA(info.hbmColor, sizeof bitmap, &bitmap) != 0) {
      std::printf("image %d %ld %ld %u\n", size, bitmap.bmWidth, bitmap.bmHeight,
                  bitmap.bmBitsPixel);
    } else {
      std::printf("image %d none\n", size);
    }
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
    if (icon != nullptr) DestroyIcon(icon);
  }
  FreeLibrary(module);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: brand_check EXE KEY...\n");
    return 2;
  }
  std::printf("acp %u\n", GetACP());
  if (!printVersion(argv[1], argc - 2, argv + 2)) {
    std::printf("version none %lu\n", GetLastError());
  }
  printIcons(argv[1]);
  return 0;
}
