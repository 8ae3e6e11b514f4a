// What the launcher's logic did while it ran under the check: the
// configuration files it read, line by line, with what each line changed in
// the launch settings and the notices, trace lines and other output that came
// while it was applied.
//
// The check serves each configuration file to the launcher's own reader one
// line per read, so that the next read (or the file's close) marks the moment
// the line before has been applied: the line's effect is what changed in the
// settings between the two.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/settings.h"
#include "platform/platform.h"

namespace carafe::check {

enum class EventKind {
  NOTICE,        // caption, text, style; a question is answered No
  TRACE,         // a trace line
  ERROR_OUTPUT,  // a line on standard error ("Can't open ...")
  INCLUDE,       // a configuration file opened for reading: file
  START,         // the Java command the launcher would start: text
  INSIDE,        // the virtual machine library the launcher would run Java in: text
  URL,           // a page the launcher would open: text
  EXIT,          // the launcher ends here: code
};

struct Event {
  EventKind kind = EventKind::TRACE;
  // NOTICE: its caption; START, INSIDE: why it cannot be started (empty: it can)
  std::string caption;
  std::string text;
  platform::NoticeStyle style = platform::NoticeStyle::PLAIN;
  int file = -1;  // INCLUDE: index into Observation::files
  int code = 0;   // EXIT
};

// One field of the launch settings that a line changed.
struct Change {
  std::string field;                  // "vmParams", "mainClass", ...
  bool list = false;                  // a list, to which entries were appended
  std::vector<std::string> appended;  // with list: the entries added
  std::optional<std::string> before;  // a text: its value before
  std::optional<std::string> after;   // and after
};

struct Line {
  int number = 0;     // from 1
  std::string bytes;  // as read, its line feed included
  bool complete = false;
  int order = -1;  // when it was applied, counted over all files
  std::vector<Change> changes;
  std::vector<Event> events;
};

struct FileRead {
  std::string path;
  std::string content;  // the bytes, as the file held them
  bool opened = false;
  bool readToEnd = false;  // the reader took every line (not refused, no exit)
  std::string error;       // the system's message when it could not be opened
  int includedBy = -1;     // the file and line of the include line; -1 for the application's own
  int includedAtLine = -1;
  bool byteOrderMark = false;
  bool endsAtCtrlZ = false;
  std::vector<Line> lines;
  std::vector<Event> events;  // shown before any line was read (a UTF-16 refusal)
};

struct Observation {
  std::vector<FileRead> files;        // in the order they were opened
  std::vector<Event> startEvents;     // before the configuration was read
  std::vector<Event> launchEvents;    // after it
  std::vector<Change> startChanges;   // made by the start-up
  std::vector<Change> launchChanges;  // made by the launch (the default runtime)
  std::optional<int> exitCode;        // when the launcher ends the process itself
};

// Records the run. One at a time; the check's platform reports to it.
class Observer {
 public:
  // Begins a new observation, taking the settings as they are as its start.
  void begin();
  // Settles the last line's effect; the observation is complete.
  const Observation& end();

  // A configuration file: opened (content read whole) or not.
  int opened(const std::string& path, bool success, const std::string& error, std::string content);
  // Serves the next bytes of file index to the reader; 0 at its end.
  std::size_t read(int index, char* buffer, std::size_t size);
  void closed(int index);

  void event(Event event);
  // Events are not recorded while the check itself calls the launcher's code.
  void pause(bool paused) { paused_ = paused; }

 private:
  struct Source {
    std::size_t served = 0;
    int current = -1;  // the line applied last
  };

  void settle();
  void complete(int index, Line& line);
  std::vector<Change>& changesNow();
  std::vector<Event>& eventsNow();

  Observation observation_;
  LaunchSettings before_;  // the settings when the last effect was settled
  std::vector<Source> sources_;
  std::vector<int> reading_;  // the files open, outermost first
  bool configurationDone_ = false;
  int nextOrder_ = 0;
  bool paused_ = false;
};

Observer& observer();

}  // namespace carafe::check
