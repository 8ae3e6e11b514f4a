#include "fake_platform.h"

#include <algorithm>

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

namespace {

// A Java that writes the archive or the recording its options name.
void writeArchives(const std::vector<std::string>& words) {
  if (state().javaWrites.empty()) return;
  for (const char* option : {"-XX:DumpLoadedClassList=", "-XX:AOTConfiguration="}) {
    const std::string prefix = option;
    for (std::string word : words) {
      if (!word.empty() && word[0] == '"') word = word.substr(1, word.size() - 2);
      if (word.compare(0, prefix.size(), prefix) == 0 &&
          state().files.count(word.substr(prefix.size())) != 0) {
        state().files[word.substr(prefix.size())] = state().javaWrites;
      }
    }
  }
}

std::vector<std::string> wordsOf(const std::string& commandLine) {
  std::vector<std::string> words;
  std::size_t start = 0;
  while (start < commandLine.size()) {
    std::size_t end = commandLine.find(' ', start);
    if (end == std::string::npos) end = commandLine.size();
    words.push_back(commandLine.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

}  // namespace

ProcessOutcome runProcess(const std::string& commandLine) {
  state().processes.push_back(commandLine);
  writeArchives(wordsOf(commandLine));
  return state().processOutcome;
}

ProcessOutcome runJavaInside(const JavaInside& java) {
  state().inside.push_back(java);
  writeArchives(java.options);
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
bool makePrivateDirectory(const std::string& path) {
  if (state().files.count(path) != 0) return false;
  if (state().directories.count(path) == 0) {
    const std::string parent = path.substr(0, path.find_last_of("/\\"));
    if (std::count(state().unwritable.begin(), state().unwritable.end(), parent) != 0) return false;
    state().directories[path];
  }
  return true;
}

std::string createUniqueFile(const std::string& directory, const std::string& stem,
                             const std::string& extension) {
  if (state().directories.count(directory) == 0 ||
      std::count(state().unwritable.begin(), state().unwritable.end(), directory) != 0) {
    return std::string();
  }
  for (int unique = 1;; ++unique) {
    const std::string name = stem + std::to_string(unique) + extension;
    const std::string path = directory + state().conventions->directorySeparator + name;
    if (state().files.count(path) != 0) continue;
    state().files[path] = "";
    state().modified[path] = state().modifiedOfNewFiles;
    state().directories[directory].push_back({name, false});
    return path;
  }
}

namespace {

void unlist(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\");
  auto& entries = state().directories[path.substr(0, cut)];
  const std::string name = path.substr(cut + 1);
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (it->name == name) {
      entries.erase(it);
      return;
    }
  }
}

}  // namespace

bool replaceFile(const std::string& from, const std::string& to) {
  if (state().files.count(from) == 0 || state().directories.count(to) != 0) return false;
  const std::string content = state().files[from];
  const auto modified = state().modified.find(from);
  const std::int64_t time = modified != state().modified.end() ? modified->second : 0;
  removeFile(from);
  if (state().files.count(to) == 0) {
    const std::size_t cut = to.find_last_of("/\\");
    state().directories[to.substr(0, cut)].push_back({to.substr(cut + 1), false});
  }
  state().files[to] = content;
  state().modified[to] = time;  // a rename keeps the file's time
  return true;
}

bool removeFile(const std::string& path) {
  if (state().files.erase(path) == 0) return false;
  unlist(path);
  return true;
}

// The assembly writes what Java writes (javaWrites), and where the launcher's
// watcher would take it into place, so does this.
bool startInBackground(const std::string& commandLine, const std::string& made,
                       const std::string& namePrefix, const std::string& nameSuffix,
                       const std::string& leftover) {
  state().background.push_back(commandLine);
  if (!made.empty() && !state().javaWrites.empty() && state().files.count(made) != 0) {
    state().files[made] = state().javaWrites;
    replaceFile(made, namePrefix + std::to_string(state().javaWrites.size()) + nameSuffix);
  }
  if (!leftover.empty()) removeFile(leftover);
  return true;
}

bool backgroundTakesIntoPlace() { return state().backgroundWatched; }

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
