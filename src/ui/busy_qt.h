// LIB_BUSY: the busy state (hourglass pointer) and the one-line status message of the main window.
// The line is the label named "Msg" inside the main window's status bar "PanelAide".
#pragma once

#include <string>

class QStatusBar;

namespace quarex {

// Names the status bar whose "Msg" panel carries the status line (nullptr when the window goes).
void setMainStatusBar(QStatusBar* bar);
// The status bar in use, or nullptr.
QStatusBar* mainStatusBar();

// Shows a text in the status line; writes and repaints at once, only when the text differs.
void MainMsg(const std::string& text);
// The text of the status line ("" without a status bar).
std::string currentMainMsg();

// Sets the hourglass and shows the default busy message (string 295).
void BusyOn();
// Sets the hourglass and shows a message as given (an empty one clears the line).
void BusyOn(const std::string& message);
// Restores the default pointer and clears the status line.
void BusyOff();
// Restores the default pointer, leaving the status line as it is.
void restoreDefaultPointer();
// True while the hourglass is set.
bool isBusy();

} // namespace quarex
