#include "brand/system_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "brand/paths.h"
#include "pack/error.h"
#include "pack/system.h"
#include "platform/file_access.h"
#include "platform/platform.h"
#include "platform/win32/library_search.h"

namespace carafe::pack {

namespace {

using brand::Handle;
using brand::reason;
using brand::utf8;
using brand::wide;

FILETIME fileTimeOf(std::int64_t time) {
  // 100-nanosecond intervals since 1601.
  const std::uint64_t ticks = (static_cast<std::uint64_t>(time) + 11644473600ULL) * 10000000ULL;
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(ticks);
  result.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return result;
}

void listInto(const std::string& root, const std::string& relative,
              std::vector<std::string>& files) {
  const std::string directory = relative.empty() ? root : root + "\\" + relative;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(wide(directory + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return;
    throw PackError(directory + ": cannot be listed: " + reason(error));
  }
  std::vector<WIN32_FIND_DATAW> entries;
  do {
    entries.push_back(found);
  } while (FindNextFileW(search, &found));
  const DWORD error = GetLastError();
  FindClose(search);
  if (error != ERROR_NO_MORE_FILES) {
    throw PackError(directory + ": cannot be listed: " + reason(error));
  }
  for (const WIN32_FIND_DATAW& entry : entries) {
    const std::string name = utf8(entry.cFileName);
    if (name == "." || name == "..") continue;
    const std::string below = relative.empty() ? name : relative + "/" + name;
    const std::string path = directory + "\\" + name;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        throw PackError(path +
                        ": is a link to a directory, which carafe-pack does not follow; "
                        "copy the directory there instead");
      }
      listInto(root, below, files);
    } else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0) {
      throw PackError(path + ": is neither a file nor a directory");
    } else {
      files.push_back(below);
    }
  }
}

// One word of a command line that CommandLineToArgvW and the C runtime give
// back as it is.
std::wstring quotedArgument(const std::wstring& text) {
  if (!text.empty() && text.find_first_of(L" \t\"") == std::wstring::npos) return text;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : text) {
    if (c == L'"') out.append(backslashes + 1, L'\\');
    backslashes = c == L'\\' ? backslashes + 1 : 0;
    out += c;
  }
  out.append(backslashes, L'\\');
  return out + L"\"";
}

}  // namespace

void restrictLibrarySearch() { platform::restrictLibrarySearch(); }

std::vector<std::string> listFiles(const std::string& directory) {
  std::vector<std::string> files;
  listInto(directory, std::string(), files);
  return files;
}

std::string realPath(const std::string& path) {
  Handle file(CreateFileW(wide(path).c_str(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return std::string();
  std::wstring buffer(32768, L'\0');
  const DWORD length =
      GetFinalPathNameByHandleW(file.get(), &buffer[0], static_cast<DWORD>(buffer.size()), 0);
  if (length == 0 || length >= buffer.size()) return std::string();
  buffer.resize(length);
  std::string result = utf8(buffer.c_str());
  // "\\?\C:\..." to "C:\..."; "\\?\UNC\server\..." to "\\server\...".
  if (result.compare(0, 8, "\\\\?\\UNC\\") == 0) return "\\\\" + result.substr(8);
  if (result.compare(0, 4, "\\\\?\\") == 0) return result.substr(4);
  return result;
}

std::string programDirectory(const std::string& argumentZero) {
  std::wstring buffer(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return brand::directoryOf(argumentZero);
  buffer.resize(length);
  return brand::directoryOf(utf8(buffer.c_str()));
}

std::string makeTemporaryDirectory(const std::string& parent, const std::string& prefix) {
  DWORD error = ERROR_ALREADY_EXISTS;
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string path = parent + "\\" + prefix + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(attempt);
    if (CreateDirectoryW(wide(path).c_str(), nullptr)) return path;
    error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) break;
  }
  throw PackError(parent + ": no directory can be made in it: " + reason(error));
}

void writeNewFile(const std::string& path, const Bytes& data, std::int64_t time, bool) {
  // The file takes its directory's permissions: the one secret written, the
  // signing password, lives only while osslsigncode runs.
  Handle file(CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) throw PackError(path + ": cannot be written: " + reason(GetLastError()));
  std::size_t written = 0;
  while (written < data.size()) {
    DWORD count = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - written, 1u << 30));
    if (!WriteFile(file.get(), data.data() + written, chunk, &count, nullptr)) {
      throw PackError(path + ": cannot be written: " + reason(GetLastError()));
    }
    written += count;
  }
  const FILETIME when = fileTimeOf(time);
  if (!SetFileTime(file.get(), nullptr, nullptr, &when)) {
    throw PackError(path + ": its time cannot be set: " + reason(GetLastError()));
  }
}

void setTime(const std::string& path, std::int64_t time) {
  Handle file(CreateFileW(wide(path).c_str(), FILE_WRITE_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const FILETIME when = fileTimeOf(time);
  if (!file.valid() || !SetFileTime(file.get(), nullptr, nullptr, &when)) {
    throw PackError(path + ": its time cannot be set: " + reason(GetLastError()));
  }
}

void removeTree(const std::string& path) {
  const std::wstring name = wide(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide(path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      std::vector<std::string> names;
      do {
        const std::string entry = utf8(found.cFileName);
        if (entry != "." && entry != "..") names.push_back(entry);
      } while (FindNextFileW(search, &found));
      FindClose(search);
      for (const std::string& entry : names) removeTree(path + "\\" + entry);
    }
    RemoveDirectoryW(name.c_str());
  } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    RemoveDirectoryW(name.c_str());
  } else {
    DeleteFileW(name.c_str());
  }
}

std::string findProgram(const std::string& name) {
  std::string path;
  if (!platform::environmentValue("PATH", path)) return std::string();
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t separator = path.find(';', start);
    std::string directory =
        path.substr(start, separator == std::string::npos ? std::string::npos : separator - start);
    start = separator == std::string::npos ? path.size() + 1 : separator + 1;
    // Only drive and network paths: a relative entry would mean the current directory.
    const bool absolute = (directory.size() > 2 && directory[1] == ':' &&
                           (directory[2] == '\\' || directory[2] == '/')) ||
                          directory.compare(0, 2, "\\\\") == 0;
    if (!absolute) continue;
    for (const char* extension : {".exe", ""}) {
      const std::string candidate = directory + "\\" + name + extension;
      const DWORD attributes = GetFileAttributesW(wide(candidate).c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return candidate;
      }
    }
  }
  return std::string();
}

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& directory, const std::string& outputFile) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle output(CreateFileW(wide(outputFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!output.valid()) {
    throw PackError(outputFile + ": cannot be written: " + reason(GetLastError()));
  }
  Handle input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr));
  std::wstring commandLine = quotedArgument(wide(program));
  for (const std::string& argument : arguments)
    commandLine += L" " + quotedArgument(wide(argument));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.get();
  startup.hStdOutput = output.get();
  startup.hStdError = output.get();
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(wide(program).c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                      CREATE_NO_WINDOW, nullptr, wide(directory).c_str(), &startup, &process)) {
    throw PackError(program + ": cannot be started: " + reason(GetLastError()));
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  ProgramRun run;
  run.exitCode = static_cast<int>(code);
  std::string identity;
  std::string errorText;
  platform::readWholeFile(outputFile, run.output, identity, errorText);
  return run;
}

}  // namespace carafe::pack
