// What the check asks of a Windows machine.
#include "check/machine.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/command_split.h"
#include "platform/platform.h"
#include "platform/program_lookup.h"
#include "platform/win32/console_text.h"
#include "platform/win32/library_search.h"
#include "platform/win32/long_path.h"
#include "platform/win32/system_message.h"

namespace carafe::check {

namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    if (end != start) parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// What CreateProcess would say of a program file.
std::string programProblem(const std::string& path, const std::string& program) {
  std::string head;
  std::uint64_t size = 0;
  if (pathKind(path) != PathKind::FILE)
    return platform::systemMessage(ERROR_FILE_NOT_FOUND, program);
  readFileRange(path, 0, 2, head, size);
  return head == "MZ" ? std::string() : platform::systemMessage(ERROR_BAD_EXE_FORMAT, path);
}

}  // namespace

PathKind pathKind(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(platform::widePath(path).data());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::MISSING;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return PathKind::DIRECTORY;
  return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? PathKind::OTHER : PathKind::FILE;
}

void restrictLibrarySearch() { platform::restrictLibrarySearch(); }

std::string startProblem(const std::string& commandLine) {
  const std::string program = platform::programWord(commandLine);
  // Found as the launcher finds it: by its path, or a bare name on PATH only.
  const std::string file = platform::resolveProgram(program);
  if (file.empty()) return platform::systemMessage(ERROR_FILE_NOT_FOUND, program);
  if (platform::isBatchFile(file)) {
    const std::string refusal = platform::batchFileRefusal(commandLine);
    if (!refusal.empty()) return refusal;
  }
  return programProblem(file, program);
}

bool readFileRange(const std::string& path, std::uint64_t offset, std::size_t size,
                   std::string& bytes, std::uint64_t& fileSize) {
  bytes.clear();
  const HANDLE file =
      CreateFileW(platform::widePath(path).data(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER length{};
  const bool readable = GetFileSizeEx(file, &length) != 0;
  fileSize = readable ? static_cast<std::uint64_t>(length.QuadPart) : 0;
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (readable && offset < fileSize && SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) {
    const std::uint64_t count = fileSize - offset < size ? fileSize - offset : size;
    bytes.resize(static_cast<std::size_t>(count));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const DWORD chunk =
          static_cast<DWORD>(bytes.size() - done > 0x10000000 ? 0x10000000 : bytes.size() - done);
      DWORD got = 0;
      if (!ReadFile(file, &bytes[done], chunk, &got, nullptr) || got == 0) break;
      done += got;
    }
    bytes.resize(done);
  }
  CloseHandle(file);
  return readable;
}

std::string launcherArgumentZero(const std::string& path) { return path; }

std::vector<std::string> launcherProgramFiles(const std::string& argumentZero) {
  // As cmd finds a program: a path as it stands, a bare name in the current
  // directory and then on PATH; ".exe" added where the name has none.
  const bool bare = argumentZero.find_first_of("\\/:") == std::string::npos;
  std::vector<std::string> directories = {"."};
  if (bare) {
    for (const std::string& directory : split(environment("PATH"), ';')) {
      directories.push_back(directory);
    }
  }
  for (const std::string& directory : directories) {
    for (const char* extension : {"", ".exe"}) {
      const std::string candidate =
          (bare ? directory + "\\" : std::string()) + argumentZero + extension;
      if (pathKind(candidate) != PathKind::FILE) continue;
      char full[4096] = "";
      const DWORD length = GetFullPathNameA(candidate.c_str(), sizeof full, full, nullptr);
      if (length == 0 || length >= sizeof full) return {};
      return {std::string(full, length)};
    }
    if (!bare) break;
  }
  return {};
}

void writeOutput(const std::string& text) {
  if (!platform::writeConsoleText(GetStdHandle(STD_OUTPUT_HANDLE), text)) {
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  std::fflush(stdout);
}

RegistryPlaces runtimeRegistryPlaces() {
  RegistryPlaces places;
  places.words = "the runtime registry (HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment)";
  return places;
}

// The command line's length is the limit, which the conventions hold.
ArgumentLimits argumentLimits() { return ArgumentLimits(); }

const platform::Conventions& nativeConventions() { return platform::WINDOWS_CONVENTIONS; }
const platform::Conventions& consoleConventions() { return platform::WINDOWS_CONSOLE_CONVENTIONS; }

}  // namespace carafe::check
