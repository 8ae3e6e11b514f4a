// Which program a command starts, found the launcher's own way: by the path
// the command gives, or on PATH for a bare name, never in the current
// directory or beside the launcher, where files that someone else put may be.
#pragma once

#include <string>

namespace carafe::platform {

// True when text ends in the extension of a file that Windows starts as a
// program (".exe", ".com", ".bat", ".cmd"), letter case ignored.
bool hasProgramExtension(const std::string& text);

// The full path of the program that a command's program text names, or empty
// when there is none. A name without a directory is looked for in the
// absolute directories of PATH only (on Windows with ".exe" where it has no
// extension, as the system adds it); a path is taken as it is (on Windows
// with ".exe" where its file name has no extension).
std::string resolveProgram(const std::string& program);

// True when the program is a batch file, which the system would hand to the
// command interpreter together with the whole command text.
bool isBatchFile(const std::string& program);

// For a command that starts a batch file, which the system hands whole to the
// command interpreter: why it cannot be started safely, or empty where
// cmd.exe reads every word of it as a word. It cannot where a "&", "|", "<",
// ">" or "^" stands outside cmd.exe's double quotes (what follows would run as
// a command of its own), a "%" (cmd.exe expands it) or a line break stands
// anywhere, or a word holds a double quote of its own (cmd.exe would take it
// to open or close a quoted part).
std::string batchFileRefusal(const std::string& commandLine);

}  // namespace carafe::platform
