// LIB_BUSY: the busy state (hourglass pointer) and the one-line status message of the main window.
// The line is the label named "Msg" inside the main window's status bar "PanelAide".
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressBar>

#include <string>

class QStatusBar;

namespace quarex {

// Names the status bar whose "Msg" panel carries the status line (nullptr when the window goes).
void setMainStatusBar(QStatusBar* bar);
// The status bar in use, or nullptr.
QStatusBar* mainStatusBar();

// Shows a text in the status line; writes and repaints at once, only when the text differs.
void MainMsg(const std::string& text);
// Shows a notice on the status line for some time (a program being started): help lines do not
// replace it meanwhile, the next busy message does.
void MainNotice(const std::string& text, int milliseconds);
// The notice shown, or "".
std::string currentMainNotice();
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

// A long task in the main window: the busy state with its message and a progress bar in the status bar
// for the life of the object. The task runs on the event thread: each step repaints the window (at most
// ten times a second), so that it stays drawn and what a closed box left is painted over; no user input
// is processed. The bar goes with the object; the busy state is left to the caller's BusyOff.
class BusyProgress {
public:
    explicit BusyProgress(const std::string& message);
    BusyProgress();
    ~BusyProgress();
    BusyProgress(const BusyProgress&) = delete;
    BusyProgress& operator=(const BusyProgress&) = delete;

    // `done` of `total` units handled (a total of 0: a bar that only shows activity).
    void step(long long done, long long total);
    // The bar (nullptr without a main window).
    QProgressBar* bar() const { return m_bar; }
    // Repaints of the window made by the steps.
    int repaints() const { return m_repaints; }

private:
    void paint();

    QPointer<QProgressBar> m_bar;
    QElapsedTimer m_clock;
    int m_repaints = 0;
};

} // namespace quarex
