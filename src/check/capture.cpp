#include "check/capture.h"

#include "check/machine.h"
#include "check/observer.h"
#include "platform/binary_kind.h"
#include "platform/file_access.h"
#include "platform/platform.h"

namespace carafe::check {

namespace {

const platform::Conventions* conventionsInUse = &platform::POSIX_CONVENTIONS;
unsigned launcherMachine = 0;

Event output(EventKind kind, std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  Event event;
  event.kind = kind;
  event.text = std::move(text);
  return event;
}

}  // namespace

void useConventions(const platform::Conventions& conventions) { conventionsInUse = &conventions; }

void useLauncherMachine(unsigned machine) { launcherMachine = machine; }

// Why the launcher could not load the virtual machine library; empty when
// it can, as far as its file tells.
std::string libraryProblem(const std::string& library) {
  std::string header;
  std::uint64_t size = 0;
  if (!readFileRange(library, 0, 4096, header, size)) return "it cannot be read";
  if (launcherMachine != 0) return platform::windowsLibraryProblem(header, launcherMachine);
  const int bits = platform::elfBits(header);
  const int launcherBits = static_cast<int>(sizeof(void*) * 8);
  if (bits == 0) return "it is not an ELF library";
  if (bits == launcherBits) return std::string();
  return "it is a " + std::to_string(bits) + "-bit library, and the launcher a " +
         std::to_string(launcherBits) + "-bit program";
}

}  // namespace carafe::check

namespace carafe::platform {

using check::Event;
using check::EventKind;
using check::observer;

struct File {
  int index;
};

const Conventions& conventions() { return *check::conventionsInUse; }

int showNotice(const std::string& caption, const std::string& text, NoticeStyle style) {
  Event event;
  event.kind = EventKind::NOTICE;
  event.caption = caption;
  event.text = text;
  event.style = style;
  observer().event(event);
  // Nobody is there to answer: a question counts as No, as without a terminal.
  return style == NoticeStyle::ERROR_QUESTION ? ANSWER_NO : 1;
}

void writeTrace(const std::string& text) {
  observer().event(check::output(EventKind::TRACE, text));
}

void writeStandardError(const std::string& text) {
  observer().event(check::output(EventKind::ERROR_OUTPUT, text));
}

File* openFile(const std::string& path, std::string& identity, std::string& errorText,
               FileRefusal& refusal) {
  std::string content;
  const bool success =
      readWholeFile(path, content, identity, errorText, &refusal, MAX_CONFIG_FILE_SIZE);
  const int index = observer().opened(path, success, errorText, std::move(content));
  return success ? new File{index} : nullptr;
}

std::size_t readFile(File* file, char* buffer, std::size_t size) {
  return observer().read(file->index, buffer, size);
}

void closeFile(File* file) {
  observer().closed(file->index);
  delete file;
}

ProcessOutcome runProcess(const std::string& commandLine) {
  ProcessOutcome outcome;
  outcome.errorText = check::startProblem(commandLine);
  outcome.created = outcome.errorText.empty();
  Event start = check::output(EventKind::START, commandLine);
  start.caption = outcome.errorText;  // why it cannot be started; empty when it can
  observer().event(start);
  return outcome;
}

ProcessOutcome runJavaInside(const JavaInside& java) {
  ProcessOutcome outcome;
  outcome.errorText = check::libraryProblem(java.library);
  outcome.created = outcome.errorText.empty();
  Event inside = check::output(EventKind::INSIDE, java.library);
  inside.caption = outcome.errorText;
  observer().event(inside);
  return outcome;
}

// The launcher would write an argument file there; nothing is written here.
std::string writePrivateFile(const std::string&, std::string&) { return check::ARGUMENT_FILE; }

void removePrivateFile(const std::string&) {}
// The check writes nothing: the cache folder and the files the launcher
// would write are named, not made.
bool makePrivateDirectory(const std::string& path) {
  const FileFacts facts = fileFacts(path);
  if (facts.exists) return facts.isDirectory;
  const std::size_t cut = path.find_last_of("/\\");
  return cut != std::string::npos && fileFacts(path.substr(0, cut)).isDirectory;
}

std::string createUniqueFile(const std::string& directory, const std::string& stem,
                             const std::string& extension) {
  return directory + conventions().directorySeparator + stem + "new" + extension;
}

bool replaceFile(const std::string&, const std::string&) { return false; }

bool removeFile(const std::string&) { return false; }

bool startInBackground(const std::string&, const std::string&, const std::string&,
                       const std::string&, const std::string&) {
  return false;
}

bool backgroundTakesIntoPlace() { return true; }

void openUrl(const std::string& url) { observer().event(check::output(EventKind::URL, url)); }

std::vector<std::string> programFiles(const std::string& argumentZero) {
  return check::launcherProgramFiles(argumentZero);
}

void exitProcess(int code) {
  Event event;
  event.kind = EventKind::EXIT;
  event.code = code;
  observer().event(event);
  throw check::LauncherExit{code};
}

}  // namespace carafe::platform
