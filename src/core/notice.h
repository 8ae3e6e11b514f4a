// Notices shown to the user and trace lines, the two ways every part of the
// launcher reports.
#pragma once

#include <string>

#include "platform/platform.h"

namespace carafe {

// printf-style formatting ("%s", "%d") into a text that grows as needed.
std::string formatText(const char* format, ...);

// A plain notice (OK, no icon).
void showPlain(const std::string& caption, const std::string& text);
// An error notice (error icon, OK).
void showError(const std::string& caption, const std::string& text);
// An error question (error icon, Yes and No); true when the answer is Yes.
bool askErrorQuestion(const std::string& caption, const std::string& text);
// A plain notice shown in debug mode only.
void showDebug(const std::string& caption, const std::string& text);

// Writes a trace line, whatever the mode.
void trace(const std::string& line);
// Writes a trace line in debug mode only.
void traceDebug(const std::string& line);
// Writes a line of the search for a required version: in every mode where
// trace lines go to standard output, which only someone who captures it sees
// (the GUI programs), and in debug mode only where they go to standard error,
// the terminal of whoever runs a command-line application.
void traceSearch(const std::string& line);

}  // namespace carafe
