#include "fake_platform.h"

#include "core/run.h"
#include "platform/file_access.h"

namespace carafe::platform {

using fake::state;

struct File {
  int descriptor;
};

const Conventions& conventions() { return *state().conventions; }

int showNotice(const std::string& caption, const std::string& text, NoticeStyle style) {
  state().notices.push_back({caption, text, style});
  state().events.push_back("notice " + caption + ": " + text);
  if (style != NoticeStyle::ERROR_QUESTION) return 1;
  if (state().answers.empty()) return ANSWER_NO;
  const int answer = state().answers.front();
  state().answers.pop_front();
  return answer;
}

void writeTrace(const std::string& text) {
  state().traceLines += text;
  state().events.push_back("trace " + text);
}

void writeStandardError(const std::string& text) {
  state().standardError += text;
  state().events.push_back("err " + text);
}

File* openFile(const std::string& path, std::string& identity, std::string& errorText,
               FileRefusal& refusal) {
  const int descriptor = openReadable(path, identity, errorText, &refusal, MAX_CONFIG_FILE_SIZE);
  return descriptor < 0 ? nullptr : new File{descriptor};
}

std::size_t readFile(File* file, char* buffer, std::size_t size) {
  return readSome(file->descriptor, buffer, size);
}

void closeFile(File* file) {
  closeReadable(file->descriptor);
  delete file;
}

ProcessOutcome runProcess(const std::string& commandLine) {
  state().processes.push_back(commandLine);
  return state().processOutcome;
}

ProcessOutcome runJavaInside(const JavaInside& java) {
  state().inside.push_back(java);
  state().events.push_back("inside " + java.library);
  return state().insideOutcome;
}

std::string writePrivateFile(const std::string& text, std::string& errorText) {
  if (!state().privateFileError.empty()) {
    errorText = state().privateFileError;
    return std::string();
  }
  const std::string path = "T:\\private\\" + std::to_string(state().writtenFiles.size() + 1);
  state().privateFiles[path] = text;
  state().writtenFiles.push_back(text);
  return path;
}

void removePrivateFile(const std::string& path) { state().privateFiles.erase(path); }

void openUrl(const std::string& url) { state().urls.push_back(url); }

std::vector<std::string> programFiles(const std::string&) { return state().programFiles; }

void exitProcess(int code) { throw fake::FakeExit{code}; }

}  // namespace carafe::platform

namespace carafe::fake {

int runLauncher(const std::vector<std::string>& words) {
  std::vector<const char*> vector;
  for (const std::string& word : words) vector.push_back(word.c_str());
  vector.push_back(nullptr);
  try {
    return launcherMain(static_cast<int>(words.size()), vector.data());
  } catch (const FakeExit& exit) {
    return exit.code;
  }
}

}  // namespace carafe::fake
