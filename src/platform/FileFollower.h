// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QString>
#include <QTimer>

#include <functional>

// Follows one file on disk (RERAVA.INI): calls `changed` once the file's bytes differ from those
// last acknowledged, a short while after the last change, so that a burst of writes (a read
// recording several faxes) costs one call. The watch is on the file and on its directory: a file
// replaced by renaming a new one over it (as every profile write does) loses the file's own watch,
// and an editor writing in place changes no directory entry. Nothing polls; the system tells.
class FileFollower {
public:
    FileFollower(QString path, std::function<void()> changed, int settleMs = 300);
    FileFollower(const FileFollower&) = delete;
    FileFollower& operator=(const FileFollower&) = delete;

    // Takes the file's present bytes as known: the program's own writes, acknowledged after them,
    // then cause no call.
    void Acknowledge();
    // Looks at the file now instead of after the settling time.
    void CheckNow();

private:
    void OnEvent();

    QString m_path;
    std::function<void()> m_changed;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QByteArray m_known;
};
