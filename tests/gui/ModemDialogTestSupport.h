// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AppServices.h"
#include "app/FolderChooser.h"
#include "app/MessageBoxService.h"
#include "support/SimModemFixture.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <vector>

// The modem dialogs on the simulated modem and virtual time: a program directory of their own, a
// message box service that only remembers, and a way to act once the modal dialog is on screen.
namespace phonebooktest {

class RecordingMessages final : public MessageBoxService {
public:
    struct Shown {
        QString text;
        Icon icon;
    };
    void Show(QWidget*, const QString& text, Icon icon) override { shown.push_back({text, icon}); }
    std::vector<Shown> shown;
};

class NoFolders final : public FolderChooser {
public:
    QString ChooseFolder(QWidget*, const QString&) override { return {}; }
};

class NoShell final : public Shell {
public:
    bool OpenByFileType(const std::string&) override { return false; }
    bool StartProgram(const std::string&, const std::string&) override { return false; }
};

struct DialogFixture {
    DialogFixture() { sim.time.SetProcessQtEvents(true); }

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
    SystemWallClock wallClock;
    RecordingMessages messages;
    NoFolders folders;
    NoShell shell;
    AppServices services{sim.time, wallClock, sim.time, sim.ports, messages, folders, shell, Dir() + "faxdesk"};
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

} // namespace phonebooktest
