// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QString>
#include <QTimer>

#include <functional>

// Follows one file on disk (RERAVA.INI): calls `changed` once the file differs from what was last
// acknowledged, a short while after the last change, so that a burst of writes (a read recording
// several faxes) costs one call. The watch is on the file and on its directory: a file replaced by
// renaming a new one over it (as every profile write does) loses the file's own watch, and an
// editor writing in place changes no directory entry. Nothing polls; the system tells.
//
// What is compared is the file's size and its modification and status-change times, not its
// bytes: with thousands of records the file is over a megabyte, and reading it whole at every
// acknowledgement (each load of the list) doubled the reading of a start. A write renames a new
// file over the old or changes its times; only a write in place of the same size within the same
// clock tick as the acknowledgement would go unseen, until the next change.
class FileFollower {
public:
    FileFollower(QString path, std::function<void()> changed, int settleMs = 300);
    FileFollower(const FileFollower&) = delete;
    FileFollower& operator=(const FileFollower&) = delete;

    // Takes the file as it is now as known: the program's own writes, acknowledged after them,
    // then cause no call.
    void Acknowledge();
    // Looks at the file now instead of after the settling time.
    void CheckNow();

    // The size and times that tell the file has changed.
    struct Stamp {
        bool exists = false;
        qint64 size = -1;
        qint64 modifiedMs = 0;
        qint64 statusChangedMs = 0;
        bool operator==(const Stamp&) const = default;
    };

private:
    void OnEvent();

    QString m_path;
    std::function<void()> m_changed;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    Stamp m_known;
};
