// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QStatusBar;

// The program-wide status bar and busy flag. The main window registers its status bar when it is
// created; every command and dialog writes pane 0 through SetStatusText. Without a registered
// status bar (a dialog tested on its own) the text is only remembered.
namespace status {
void RegisterStatusBar(QStatusBar* bar);
// Puts the text into the message pane and repaints the status bar at once.
void SetStatusText(const QString& text);
QString StatusText();
// The text last put there with SetStatusText; the pane returns to it when a command prompt ends.
QString RequestedText();
// The busy flag: while set, the main window shows the wait cursor.
void SetBusy(bool busy);
bool IsBusy();

// The wait cursor over the program's windows for as long as it lives, whatever the busy flag
// says: for the modem exchanges that run before a dialog shows.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
} // namespace status
