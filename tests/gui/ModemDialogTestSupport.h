// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GuiTestSupport.h"
#include "support/SimModemFixture.h"

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

// The modem dialogs (phone numbers, caller records, modem settings) on the simulated modem and
// virtual time: a program directory of their own, services that only record, and ways to act once
// a modal dialog is on screen.

// A wall clock that stands still at `now`.
class FixedWallClock final : public WallClock {
public:
    QDateTime Now() const override { return now; }
    QDateTime now{QDate(2026, 12, 7), QTime(22, 38, 15)}; // a Monday evening
};

struct ModemDialogFixture {
    // `handleQtEvents`: whether the waits on virtual time handle Qt's events, as the dialogs run with
    // WhenShown need. A test that drives a modal dialog from a zero timer turns it off, so that the
    // timer does not fire during the detection, before the dialog is up.
    explicit ModemDialogFixture(bool handleQtEvents = true) { sim.time.SetProcessQtEvents(handleQtEvents); }

    // The program directory, with its trailing separator.
    std::string Dir() const { return dir.path().toStdString() + "/"; }
    std::string IniPath() const { return Dir() + "RERAVA.INI"; }
    bool PortOpen() { return sim.ports.Wire("COM1")->HostOpen(); }
    // The commands the modem received after the detection's "AT" probes.
    std::vector<std::string> CommandsAfterProbe() const {
        std::vector<std::string> out;
        for (const std::string& line : sim.com1.Commands())
            if (line != "AT")
                out.push_back(line);
        return out;
    }

    QTemporaryDir dir;
    SimModemFixture sim;
    FixedWallClock wallClock;
    RecordingMessageBoxService messages;
    AnsweringFolderChooser folders;
    RecordingShell shell;
    AppServices services{sim.time, wallClock, sim.time, sim.ports, messages, folders, shell, Dir() + "faxdesk", Dir()};
};

// Runs `action` once `dialog` is shown by its modal loop (the detection before it also handles
// events, so a plain zero timer would fire too early). The dialog is ended afterwards if `action`
// left it open.
inline void WhenShown(QDialog& dialog, std::function<void()> action) {
    auto* timer = new QTimer(&dialog);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, &dialog, [&dialog, timer, action = std::move(action)] {
        if (!dialog.isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action();
        // A failed check returns from `action` early: end the dialog so that the test goes on.
        if (dialog.isVisible())
            dialog.reject();
    });
    timer->start();
}

// Types text as the keyboard would, one character per key press (Chinese characters included).
inline void Type(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}
