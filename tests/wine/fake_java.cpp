// A stand-in for a runtime's bin\javaw.exe and bin\java.exe: it records how it
// was started and ends as the test asks. Everything is recorded as the system
// gave it in UTF-16 (GetCommandLineW, the wide argument vector), written as
// UTF-8, so that the record shows exactly what Java would have received.
//
// CARAFE_FAKE_JAVA_RECORD  file to append the record to (else record.txt beside itself)
// CARAFE_FAKE_JAVA_EXIT    exit code (0 to 4294967295), "crash" for an access violation,
//                          or "wait" to wait a minute before it ends with 0
// CARAFE_FAKE_JAVA_ECHO    when set: copies standard input to standard output, then
//                          writes "java out" to standard output and "java err" to
//                          standard error
// CARAFE_FAKE_JAVA_REPORT  when set: writes a crash report hs_err_pid<N>.log in the
//                          current directory before it ends, as the virtual machine does
//
// An argument "@file" before the main class is read as the java command reads
// an argument file, and its words are recorded in its place (argfile= names it).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "crash_report.h"

extern "C" {
int _dowildcard = 0;
}

namespace {

std::string utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &result[0], size, nullptr, nullptr);
  result.resize(static_cast<std::size_t>(size - 1));
  return result;
}

std::wstring recordPath() {
  wchar_t path[MAX_PATH * 2];
  const DWORD length = GetEnvironmentVariableW(L"CARAFE_FAKE_JAVA_RECORD", path, MAX_PATH * 2);
  if (length > 0 && length < MAX_PATH * 2) return path;
  const DWORD moduleLength = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  std::wstring module(path, moduleLength < MAX_PATH * 2 ? moduleLength : 0);
  const std::size_t cut = module.rfind(L'\\');
  if (cut == std::wstring::npos) return L"record.txt";
  return module.substr(0, cut + 1) + L"record.txt";
}

// The words of an argument file, as the java command reads them: separated
// by white space; a word in double or single quotes keeps its spaces, and in
// it a backslash escapes the next character (\n, \r, \t and \f name the
// control characters); "#" outside a word comments out the rest of the line.
std::vector<std::string> argumentFileWords(const std::wstring& path, bool& read) {
  std::vector<std::string> words;
  std::FILE* file = _wfopen(path.c_str(), L"rb");
  read = file != nullptr;
  if (file == nullptr) return words;
  std::string text;
  char buffer[4096];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
  std::fclose(file);
  std::size_t i = 0;
  const auto space = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
  };
  while (i < text.size()) {
    while (i < text.size() && space(text[i])) ++i;
    if (i >= text.size()) break;
    if (text[i] == '#') {
      while (i < text.size() && text[i] != '\n' && text[i] != '\r') ++i;
      continue;
    }
    std::string word;
    while (i < text.size() && !space(text[i])) {
      const char c = text[i++];
      if (c != '"' && c != '\'') {
        word += c;
        continue;
      }
      // A quoted part ends at its quote, or at the end of the line.
      while (i < text.size() && text[i] != c && text[i] != '\n' && text[i] != '\r') {
        char d = text[i++];
        if (d == '\\' && i < text.size()) {
          d = text[i++];
          d = d == 'n' ? '\n' : d == 'r' ? '\r' : d == 't' ? '\t' : d == 'f' ? '\f' : d;
        }
        word += d;
      }
      if (i < text.size() && text[i] == c) ++i;
    }
    words.push_back(word);
  }
  return words;
}

void writeRecord(int argc, wchar_t** argv) {
  std::FILE* record = _wfopen(recordPath().c_str(), L"ab");
  if (record == nullptr) return;
  wchar_t directory[MAX_PATH * 2] = L"";
  GetCurrentDirectoryW(MAX_PATH * 2, directory);
  wchar_t module[MAX_PATH * 2] = L"";
  GetModuleFileNameW(nullptr, module, MAX_PATH * 2);
  std::fprintf(record, "module=%s\n", utf8(module).c_str());
  std::fprintf(record, "command=%s\n", utf8(GetCommandLineW()).c_str());
  std::fprintf(record, "directory=%s\n", utf8(directory).c_str());
  std::fprintf(record, "pid=%lu\n", static_cast<unsigned long>(GetCurrentProcessId()));
  std::fprintf(record, "argc=%d\n", argc);
  bool options = true;  // before the main class
  for (int i = 0; i < argc; ++i) {
    if (i > 0 && options && argv[i][0] == L'@') {
      bool read = false;
      const std::vector<std::string> words = argumentFileWords(argv[i] + 1, read);
      std::fprintf(record, "argfile=%s%s\n", utf8(argv[i] + 1).c_str(), read ? "" : " (missing)");
      for (const std::string& word : words) std::fprintf(record, "argv=%s\n", word.c_str());
      continue;
    }
    std::fprintf(record, "argv=%s\n", utf8(argv[i]).c_str());
    if (i > 0 && argv[i][0] != L'-') options = false;
    if (std::wcscmp(argv[i], L"-classpath") == 0 || std::wcscmp(argv[i], L"-cp") == 0) {
      if (i + 1 < argc) std::fprintf(record, "argv=%s\n", utf8(argv[++i]).c_str());
    }
  }
  std::fprintf(record, "end\n");
  std::fclose(record);
}

void echo() {
  char buffer[4096];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
    std::fwrite(buffer, 1, count, stdout);
  }
  std::fputs("java out\n", stdout);
  std::fflush(stdout);
  std::fputs("java err\n", stderr);
  std::fflush(stderr);
}

LONG WINAPI endWithExceptionCode(EXCEPTION_POINTERS*) { return EXCEPTION_EXECUTE_HANDLER; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  writeRecord(argc, argv);
  if (GetEnvironmentVariableW(L"CARAFE_FAKE_JAVA_ECHO", nullptr, 0) > 0) echo();
  if (GetEnvironmentVariableW(L"CARAFE_FAKE_JAVA_REPORT", nullptr, 0) > 0) writeCrashReport();

  char exit[64] = "";
  const DWORD length = GetEnvironmentVariableA("CARAFE_FAKE_JAVA_EXIT", exit, sizeof exit);
  if (length == 0 || length >= sizeof exit) return 0;
  if (std::strcmp(exit, "wait") == 0) {
    Sleep(60000);
    return 0;
  }
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
