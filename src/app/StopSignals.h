// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (systemd stopping the unit, Ctrl+C, the terminal closing) turned into
// an event of the program's event loop, so that a read under way can end cleanly: `stop` is called
// with the signal's name from the loop, never from the signal handler. While an object lives, those
// signals no longer end the process by themselves; a second one of them does (the default comes
// back after the first), so nothing can hold a process that is told twice. On Linux
// (StopSignals_posix.cpp) a pipe carries the signal from its handler to the loop.
class StopSignals final : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(std::function<void(const QString& signal)> stop, QObject* parent = nullptr);
    ~StopSignals() override;

    // The signal's number, 0 while none came.
    int Received() const { return m_received; }

private:
    void OnSignal();

    std::function<void(const QString&)> m_stop;
    QSocketNotifier* m_notifier = nullptr;
    int m_received = 0;
};
