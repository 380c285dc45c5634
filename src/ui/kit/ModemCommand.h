// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAction>
#include <QPointer>
#include <QWidget>

#include <vector>

// One modem command at a time. Every command that talks to the modem (reading faxes, the settings,
// the phone numbers, the caller records) holds one of these from its first step to its end. While
// it is held, the main window's menu bar, tool bars and client area and all its commands are
// disabled, so that nothing the user presses can start a second command inside the first while
// its waits keep the window alive (the modem probe and the caller log are read before a dialog
// is modal). The window itself stays enabled: the dialogs the command opens are its children and
// must stay usable. A second command that starts anyway (from code) finds it taken and does nothing.
class ModemCommandScope {
public:
    explicit ModemCommandScope(QWidget* mainWindow);
    ~ModemCommandScope();
    ModemCommandScope(const ModemCommandScope&) = delete;
    ModemCommandScope& operator=(const ModemCommandScope&) = delete;

    // False when another command already runs in this window; the caller then does nothing.
    bool Started() const { return m_started; }
    static bool Running(const QWidget* mainWindow);

private:
    QPointer<QWidget> m_window;
    std::vector<QPointer<QWidget>> m_widgets;
    std::vector<QPointer<QAction>> m_actions;
    bool m_started = false;
};
