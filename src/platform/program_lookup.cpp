#include "platform/program_lookup.h"

#include <algorithm>

#include "platform/command_split.h"
#include "platform/platform.h"

namespace carafe::platform {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool endsWithIgnoringCase(const std::string& text, const char* ending) {
  const std::string suffix = ending;
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(),
                    [](char a, char b) { return lower(a) == lower(b); });
}

bool isDirectorySeparator(char c) { return c == '/' || c == '\\'; }

// A path that the current directory cannot change: "/..." on POSIX; on
// Windows a drive path with its root ("C:\", not the drive-relative "C:x")
// or a network path.
bool isFullPath(const std::string& path) {
  if (!conventions().driveColonMarksDirectory) return !path.empty() && path[0] == '/';
  if (path.size() >= 3 && path[1] == ':' && isDirectorySeparator(path[2])) return true;
  return path.size() >= 2 && isDirectorySeparator(path[0]) && isDirectorySeparator(path[1]);
}

bool namesDirectory(const std::string& program) {
  if (conventions().driveColonMarksDirectory) {
    return program.find_first_of("\\/:") != std::string::npos;
  }
  return program.find('/') != std::string::npos;
}

// Windows adds ".exe" to a file name without an extension.
std::string withExtension(const std::string& program) {
  if (!conventions().driveColonMarksDirectory) return program;
  const std::size_t name = program.find_last_of("\\/:");
  const std::size_t dot = program.rfind('.');
  if (dot != std::string::npos && (name == std::string::npos || dot > name)) return program;
  return program + ".exe";
}

std::string findOnPath(const std::string& name) {
  std::string path;
  if (!environmentValue("PATH", path)) return std::string();
  const Conventions& rules = conventions();
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find(rules.pathListSeparator, start);
    if (end == std::string::npos) end = path.size();
    std::string directory = path.substr(start, end - start);
    start = end + 1;
    if (directory.size() >= 2 && directory.front() == '"' && directory.back() == '"') {
      directory = directory.substr(1, directory.size() - 2);
    }
    // "", "." and other relative entries name the current directory.
    if (!isFullPath(directory)) continue;
    if (!isDirectorySeparator(directory.back())) directory += rules.directorySeparator;
    if (isFile(directory + name)) return directory + name;
  }
  return std::string();
}

}  // namespace

bool hasProgramExtension(const std::string& text) {
  for (const char* extension : {".exe", ".com", ".bat", ".cmd"}) {
    if (endsWithIgnoringCase(text, extension)) return true;
  }
  return false;
}

std::string resolveProgram(const std::string& program) {
  if (program.empty()) return program;
  if (!namesDirectory(program)) return findOnPath(withExtension(program));
  return withExtension(program);
}

bool isBatchFile(const std::string& program) {
  return endsWithIgnoringCase(program, ".bat") || endsWithIgnoringCase(program, ".cmd");
}

namespace {

// The part of a command text that cmd.exe would not read as a word, or empty.
std::string commandInterpreterHazard(const std::string& commandLine) {
  const std::vector<std::string> words = splitCommandLine(commandLine);
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (words[i].find('"') != std::string::npos) return words[i];
  }
  bool quoted = false;
  for (std::size_t i = 0; i < commandLine.size(); ++i) {
    const char c = commandLine[i];
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    const bool special = c == '%' || c == '\r' || c == '\n' ||
                         (!quoted && (c == '&' || c == '|' || c == '<' || c == '>' || c == '^'));
    if (!special) continue;
    // The text around it, from the blank before it to the blank after it.
    std::size_t begin = i;
    while (begin > 0 && !isBlank(commandLine[begin - 1])) --begin;
    std::size_t end = i;
    while (end < commandLine.size() && !isBlank(commandLine[end])) ++end;
    return commandLine.substr(begin, end - begin);
  }
  return std::string();
}

}  // namespace

std::string batchFileRefusal(const std::string& commandLine) {
  const std::string hazard = commandInterpreterHazard(commandLine);
  if (hazard.empty()) return hazard;
  return "It is a batch file, and cmd.exe would read part of \"" + hazard +
         "\" as a command.\nName the Java program (java.exe or javaw.exe) in the javapath line "
         "instead.";
}

}  // namespace carafe::platform
