// Writing the launcher's caches, and the work that is left for after the
// launcher ended.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "platform/command_split.h"
#include "platform/platform.h"
#include "platform/program_lookup.h"
#include "platform/win32/long_path.h"

namespace carafe::platform {

bool makePrivateDirectory(const std::string& path) {
  // A folder in the user's profile gets the profile's rights: the user's own.
  CreateDirectoryW(widePath(path).data(), nullptr);
  const DWORD attributes = GetFileAttributesW(widePath(path).data());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string createUniqueFile(const std::string& directory, const std::string& stem,
                             const std::string& extension) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 16; ++attempt) {
    char unique[48];
    std::snprintf(unique, sizeof unique, "%lu-%u", GetCurrentProcessId(), counter++);
    const std::string path = directory + "\\" + stem + unique + extension;
    const HANDLE file = CreateFileW(widePath(path).data(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return path;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  return std::string();
}

// A file that another program still has open for writing is not moved: the
// system refuses, which is what keeps a cache that is still being written
// out of use.
bool replaceFile(const std::string& from, const std::string& to) {
  return MoveFileExW(widePath(from).data(), widePath(to).data(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool removeFile(const std::string& path) { return DeleteFileW(widePath(path).data()) != 0; }

// Nothing of the launcher stays to watch the background step: what it makes
// is taken into place by a later start.
bool backgroundTakesIntoPlace() { return false; }

bool startInBackground(const std::string& commandLine, const std::string&, const std::string&,
                       const std::string&, const std::string&) {
  const std::string program = resolveProgram(programWord(commandLine));
  if (program.empty()) return false;
  std::vector<char> command(commandLine.begin(), commandLine.end());
  command.push_back('\0');
  STARTUPINFOA startupInfo{};
  startupInfo.cb = sizeof(STARTUPINFOA);
  PROCESS_INFORMATION processInfo{};
  // No console and no inherited handles: its output goes nowhere. The lowest
  // priority, and out of any job the launcher is in, so that it outlives it.
  const DWORD flags =
      DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP | IDLE_PRIORITY_CLASS | CREATE_BREAKAWAY_FROM_JOB;
  BOOL created = CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, flags,
                                nullptr, nullptr, &startupInfo, &processInfo);
  if (!created) {
    // A job that does not allow breaking away: started inside it, then.
    created = CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE,
                             flags & ~static_cast<DWORD>(CREATE_BREAKAWAY_FROM_JOB), nullptr,
                             nullptr, &startupInfo, &processInfo);
  }
  if (!created) return false;
  CloseHandle(processInfo.hThread);
  CloseHandle(processInfo.hProcess);
  return true;
}

}  // namespace carafe::platform
