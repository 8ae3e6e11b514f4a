// Notices in a window on a Linux desktop, for a launcher started from a menu
// or a file manager, whose standard error nobody reads.
#pragma once

#include <string>

namespace carafe::platform {

// True when standard error is no terminal and a display is there (DISPLAY or
// WAYLAND_DISPLAY set).
bool wantsDesktopDialog();

// Shows the notice through the desktop's dialog program (zenity, else
// kdialog, else xmessage, found on PATH's absolute directories), waiting
// until it is closed. For a question, answer is set to Yes or No. False when
// no dialog program could show it.
bool showDesktopDialog(const std::string& caption, const std::string& text, bool question,
                       bool error, int& answer);

}  // namespace carafe::platform
