#include "check/observer.h"

#include <algorithm>
#include <cstring>

namespace carafe::check {

namespace {

const char UTF8_BYTE_ORDER_MARK[] = "\xEF\xBB\xBF";
constexpr char CTRL_Z = 26;

void compareList(const char* field, const TextList& before, const TextList& after,
                 std::vector<Change>& changes) {
  if (after.entries.size() <= before.entries.size()) return;
  Change change;
  change.field = field;
  change.list = true;
  change.appended.assign(after.entries.begin() + static_cast<long>(before.entries.size()),
                         after.entries.end());
  changes.push_back(change);
}

void compareText(const char* field, const std::optional<std::string>& before,
                 const std::optional<std::string>& after, std::vector<Change>& changes) {
  if (before == after) return;
  Change change;
  change.field = field;
  change.before = before;
  change.after = after;
  changes.push_back(change);
}

std::vector<Change> differences(const LaunchSettings& before, const LaunchSettings& after) {
  std::vector<Change> changes;
  compareList("vmParams", before.vmParams, after.vmParams, changes);
  compareList("vmPaths", before.vmPaths, after.vmPaths, changes);
  compareList("vmJars", before.vmJars, after.vmJars, changes);
  compareList("arguments", before.arguments, after.arguments, changes);
  compareText("mainClass", before.mainClass, after.mainClass, changes);
  compareText("appName", before.appName, after.appName, changes);
  compareText("javaVersion", before.javaVersion, after.javaVersion, changes);
  compareText("bundledRuntime", before.bundledRuntime, after.bundledRuntime, changes);
  compareText("javaPath", before.javaPath, after.javaPath, changes);
  compareText("workingDirectory", before.workingDirectory, after.workingDirectory, changes);
  compareText("downloadUrl", before.downloadUrl, after.downloadUrl, changes);
  compareText("jvm", before.jvm, after.jvm, changes);
  compareText("exitNotice", before.exitNotice, after.exitNotice, changes);
  return changes;
}

}  // namespace

Observer& observer() {
  static Observer current;
  return current;
}

void Observer::begin() {
  observation_ = Observation();
  sources_.clear();
  reading_.clear();
  configurationDone_ = false;
  nextOrder_ = 0;
  paused_ = false;
  before_ = launchSettings;
}

const Observation& Observer::end() {
  settle();
  return observation_;
}

void Observer::settle() {
  std::vector<Change> changes = differences(before_, launchSettings);
  if (changes.empty()) return;
  std::vector<Change>& target = changesNow();
  target.insert(target.end(), changes.begin(), changes.end());
  before_ = launchSettings;
}

std::vector<Change>& Observer::changesNow() {
  if (!reading_.empty()) {
    const int index = reading_.back();
    const int current = sources_[static_cast<std::size_t>(index)].current;
    if (current >= 0) {
      return observation_.files[static_cast<std::size_t>(index)]
          .lines[static_cast<std::size_t>(current)]
          .changes;
    }
  }
  return configurationDone_ ? observation_.launchChanges : observation_.startChanges;
}

std::vector<Event>& Observer::eventsNow() {
  if (!reading_.empty()) {
    const int index = reading_.back();
    FileRead& file = observation_.files[static_cast<std::size_t>(index)];
    const int current = sources_[static_cast<std::size_t>(index)].current;
    if (current >= 0) return file.lines[static_cast<std::size_t>(current)].events;
    return file.events;
  }
  return configurationDone_ ? observation_.launchEvents : observation_.startEvents;
}

int Observer::opened(const std::string& path, bool success, const std::string& error,
                     std::string content) {
  settle();
  const int index = static_cast<int>(observation_.files.size());
  FileRead file;
  file.path = path;
  file.opened = success;
  file.error = error;
  file.content = std::move(content);
  if (!reading_.empty()) {
    file.includedBy = reading_.back();
    file.includedAtLine = sources_[static_cast<std::size_t>(reading_.back())].current;
    Event include;
    include.kind = EventKind::INCLUDE;
    include.file = index;
    eventsNow().push_back(include);
  }
  observation_.files.push_back(std::move(file));
  sources_.push_back(Source());
  if (success) {
    reading_.push_back(index);
  } else if (reading_.empty()) {
    configurationDone_ = true;
  }
  return index;
}

void Observer::complete(int index, Line& line) {
  line.complete = true;
  line.order = nextOrder_++;
  sources_[static_cast<std::size_t>(index)].current = line.number - 1;
}

std::size_t Observer::read(int index, char* buffer, std::size_t size) {
  settle();
  Source& source = sources_[static_cast<std::size_t>(index)];
  FileRead& file = observation_.files[static_cast<std::size_t>(index)];
  const std::string& content = file.content;
  if (source.served >= content.size()) {
    // At the end a last line without a line feed is applied.
    if (!file.lines.empty() && !file.lines.back().complete) complete(index, file.lines.back());
    file.readToEnd = true;
    return 0;
  }
  if (size == 0) return 0;
  if (source.served == 0 &&
      (content.compare(0, 2, "\xFF\xFE") == 0 || content.compare(0, 2, "\xFE\xFF") == 0)) {
    // A UTF-16 file: the reader refuses it after its first bytes, and no
    // line of it is read, so its bytes form none.
    const std::size_t count = std::min(content.size(), size);
    std::memcpy(buffer, content.data(), count);
    source.served = count;
    return count;
  }
  const bool mark = source.served == 0 && content.compare(0, 3, UTF8_BYTE_ORDER_MARK) == 0;
  std::size_t count = 3;
  if (!mark) {
    const std::size_t feed = content.find('\n', source.served);
    count = (feed == std::string::npos ? content.size() : feed + 1) - source.served;
  }
  count = std::min(count, size);
  std::memcpy(buffer, content.data() + source.served, count);
  const std::size_t start = source.served;
  source.served += count;
  if (mark) {
    file.byteOrderMark = true;
    return count;
  }
  if (file.lines.empty() || file.lines.back().complete) {
    Line line;
    line.number = static_cast<int>(file.lines.size()) + 1;
    file.lines.push_back(line);
  }
  Line& line = file.lines.back();
  line.bytes.append(content, start, count);
  if (line.bytes.find(CTRL_Z) != std::string::npos) {
    // The reader takes the text before it and reads no further.
    file.endsAtCtrlZ = true;
    file.readToEnd = true;
    complete(index, line);
  } else if (line.bytes.back() == '\n') {
    complete(index, line);
  }
  return count;
}

void Observer::closed(int index) {
  settle();
  if (!reading_.empty() && reading_.back() == index) reading_.pop_back();
  if (reading_.empty()) configurationDone_ = true;
}

void Observer::event(Event event) {
  if (paused_) return;
  if (event.kind == EventKind::EXIT) observation_.exitCode = event.code;
  eventsNow().push_back(std::move(event));
}

}  // namespace carafe::check
