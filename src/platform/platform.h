// The whole surface between the launcher's logic and the operating system.
//
// Everything above platform/ calls only what is declared here. Exactly one
// implementation is linked into each binary: win32/ into carafe.exe, posix/
// into carafe, and a fake (tests/) into the unit tests and benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/conventions.h"

namespace carafe::platform {

// The conventions (separators, Java executable names, ...) of this target.
const Conventions& conventions();

// ---- Notices and output -------------------------------------------------

enum class NoticeStyle : unsigned {
  PLAIN = 0x00,           // OK button, no icon
  ERROR = 0x10,           // error icon, OK button
  ERROR_QUESTION = 0x14,  // error icon, Yes and No buttons
};

constexpr int ANSWER_YES = 6;  // the button value of Yes
constexpr int ANSWER_NO = 7;   // the button value of No

// Shows a modal notice and returns the button chosen (ANSWER_YES for Yes).
int showNotice(const std::string& caption, const std::string& text, NoticeStyle style);

// Writes trace lines: to standard output from the Windows GUI programs, as
// the launcher always has (a GUI program's output is seen only where it is
// captured), and to standard error on POSIX and from the Windows console
// program, so that standard output carries only what the application itself
// writes (app | other-program). Conventions::traceOnStandardError tells which.
void writeTrace(const std::string& text);
// Writes text to standard error.
void writeStandardError(const std::string& text);

// ---- Current directory and environment ----------------------------------

// Reads the process's current directory; false when it cannot be read.
bool currentDirectory(std::string& directory);
// Changes the process's current directory; false when that fails.
bool changeDirectory(const std::string& directory);

// Looks up an environment variable, its name matched regardless of letter
// case. An empty name is never found.
bool environmentValue(const std::string& name, std::string& value);
// Sets an environment variable of the launcher's own process, which the
// configuration's "$" values and the Java process then see.
void setEnvironmentValue(const std::string& name, const std::string& value);

// The launcher's own program file, for when argument 0 does not lead to it
// (a bare name that the shell found on PATH, a link to the launcher):
// Windows: the module's path; POSIX: each target along the links that
// argument 0 names, then the running executable's path. In that order,
// without repeats; empty when the system tells none. Where the system names
// the running file, that name comes last.
std::vector<std::string> programFiles(const std::string& argumentZero);

// ---- Files --------------------------------------------------------------

struct File;

// Why a file that exists is not read: it is no regular file (a device such as
// /dev/zero, a pipe, a socket), or it is larger than the reader takes.
enum class FileRefusal { NONE, NOT_A_FILE, TOO_LARGE };

// Configuration files are read up to this size: more than any configuration
// needs, and little enough memory for anything that claims to be one.
constexpr std::uint64_t MAX_CONFIG_FILE_SIZE = 2 * 1024 * 1024;

// Opens a configuration file for reading its bytes. On failure returns
// nullptr and sets errorText to the system's standard message ("No such file
// or directory"); a file that is refused (see FileRefusal; larger than
// MAX_CONFIG_FILE_SIZE) also sets refusal. identity names the file itself, so
// that two paths to one file compare equal.
File* openFile(const std::string& path, std::string& identity, std::string& errorText,
               FileRefusal& refusal);
// Reads up to size bytes; returns the count read, 0 at the end or on error.
std::size_t readFile(File* file, char* buffer, std::size_t size);
void closeFile(File* file);

// True when path names an existing file (not a directory or a device).
bool isFile(const std::string& path);

// True when both paths lead to one existing file (through links, by other
// spellings of its path).
bool sameFile(const std::string& first, const std::string& second);

// Text in the system's legacy 8-bit code page (a configuration file saved by
// an older editor on Windows), converted to UTF-8; unchanged where the
// launcher's texts are in that code page themselves, or there is none.
std::string legacyTextToUtf8(const std::string& text);

// ---- Directory search ---------------------------------------------------

struct SearchMatch {
  std::string name;  // bare name, without the directory
  bool isDirectory = false;
};

struct Search;

// Starts listing the entries of a directory whose names end in extension
// (".jar"). Returns nullptr when nothing matches or the directory cannot be
// read, and then sets why, where given, to the system's reason when the
// directory cannot be read (it stays empty when nothing matches); otherwise
// first holds the first match.
Search* searchStart(const std::string& directory, const std::string& extension, SearchMatch& first,
                    std::string* why = nullptr);
// Gives the next match; false when there are no more.
bool searchNext(Search* search, SearchMatch& match);
void searchClose(Search* search);

// ---- Cache files ---------------------------------------------------------

// What the launcher's caches need to know of a path, its links followed.
struct FileFacts {
  bool exists = false;
  bool isDirectory = false;
  bool isRegular = false;
  std::uint64_t size = 0;
  std::int64_t modified = 0;    // seconds since the system's epoch
  bool othersMayWrite = false;  // a user other than the owner (or the group) may change it
};

FileFacts fileFacts(const std::string& path);

// Creates a directory that only its owner may read and change, where it is
// missing (its parent must exist); true when path is a directory afterwards.
bool makePrivateDirectory(const std::string& path);
// Creates an empty file of a name nobody else has taken in directory
// (stem, something unique, extension); its path, or empty where the
// directory cannot be written.
std::string createUniqueFile(const std::string& directory, const std::string& stem,
                             const std::string& extension);
// Takes the file from into place as to in one step, replacing a file there.
bool replaceFile(const std::string& from, const std::string& to);
bool removeFile(const std::string& path);

// Starts a command (one command text) after the launcher's work, detached
// from the launcher and its console, at low priority, with its output
// discarded; nobody waits for it. Where the system lets the launcher watch it
// (backgroundTakesIntoPlace), once it has ended with 0 the non-empty file made
// is taken into place as namePrefix, its size in bytes and nameSuffix, and
// leftover is removed whatever happened; elsewhere the caller finds what it
// made later. False when it cannot be started.
bool startInBackground(const std::string& commandLine, const std::string& made,
                       const std::string& namePrefix, const std::string& nameSuffix,
                       const std::string& leftover);
bool backgroundTakesIntoPlace();

// ---- Runtime registry (read only) ---------------------------------------

using RegistryKey = std::uintptr_t;

// Opens a key below the machine root for reading; 0 means success.
long registryOpen(const std::string& path, RegistryKey& key);
// Reads a value as NUL-terminated 8-bit text. room is the number of bytes
// offered, terminator included: a value that needs more fails. 0 is success.
long registryReadText(RegistryKey key, const std::string& valueName, std::uint32_t room,
                      std::string& text);
// The number of subkeys; 0 when the count cannot be read.
std::uint32_t registrySubkeyCount(RegistryKey key);
// The name of the subkey at index; fails when it needs more than room bytes.
long registryEnumerate(RegistryKey key, std::uint32_t index, std::uint32_t room, std::string& name);
void registryClose(RegistryKey key);

// The registry hives and views in which runtimes register beyond the
// runtime registry: both views of the machine's and of the user's hive.
enum class RegistryRoot { MACHINE_64, MACHINE_32, USER_64, USER_32 };

// Opens a key below a hive in one registry view for reading; 0 means success.
// Where the system has no registry, nothing is found.
long registryOpenAt(RegistryRoot root, const std::string& path, RegistryKey& key);

// The path with its links followed, or empty when it names nothing.
std::string resolvedPath(const std::string& path);

// ---- Processes ----------------------------------------------------------

struct ProcessOutcome {
  bool created = false;         // the process was started
  std::uint32_t exitCode = 0;   // its exit code, when created
  unsigned long lastError = 0;  // the system's error code, when not created
  std::string errorText;        // the system's message for lastError
  // It did not end by exiting: a signal ended it (POSIX), or an exception
  // such as an access violation (Windows, whose exit code is then the
  // exception's code), or the virtual machine crashed inside the launcher.
  bool abnormalEnd = false;
  // An abnormal end in words, where the system tells how it came about:
  // "signal SIGSEGV (segmentation fault)", "exception 0xC0000005 (access
  // violation)"; empty otherwise.
  std::string endDescription = std::string();
  // The process Java ran in (the launcher's own when it ran inside), whose
  // number names its crash report; 0 when not known.
  std::uint32_t processId = 0;
  // Nothing was started because the command is longer than the system lets
  // a process be started with.
  bool commandTooLong = false;
  // Java inside the launcher: the virtual machine aborted (it crashed, or
  // failed as it started), whatever code it ends with.
  bool aborted = false;
};

// Starts a process from one command text (Windows command-line rules),
// waits until it has ended and reads its exit code. Standard output is
// flushed first so that trace lines come before the child's output.
ProcessOutcome runProcess(const std::string& commandLine);

// ---- Java inside the launcher -------------------------------------------

// What the runtime's virtual machine library is given to run the application
// in the launcher's own process: the meaning of the composed command.
struct JavaInside {
  std::string library;                 // the library's full path
  std::vector<std::string> options;    // the virtual machine's options, one each
  std::string mainClass;               // as the java command takes it
  std::vector<std::string> arguments;  // the application's, exactly
  std::size_t stackSize = 0;           // of the thread that runs main; 0: the library's default
  std::string splashImage;             // shown before Java starts; empty: none
};

// Loads the library and runs the application on a thread of its own, waits
// until it has ended and reads its exit code, as runProcess does for a
// separate process. created is false when the library cannot be loaded or
// used (errorText says why); nothing of Java has run then, and a separate
// process can be started instead. Standard output is flushed first.
ProcessOutcome runJavaInside(const JavaInside& java);

// ---- Files of the launcher's own ----------------------------------------

// Writes text into a new file, created for this run in a folder that only
// the user can write (a private folder in the user's temporary directory),
// for another program the launcher starts to read. Returns the file's full
// path, or an empty text with errorText saying why it could not be written.
std::string writePrivateFile(const std::string& text, std::string& errorText);
// Removes a file that writePrivateFile wrote, with what was made for it.
void removePrivateFile(const std::string& path);

// Opens a URL in the user's default browser without waiting for it.
void openUrl(const std::string& url);

// Ends the process with a code, flushing standard output.
[[noreturn]] void exitProcess(int code);

}  // namespace carafe::platform
