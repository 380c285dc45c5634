// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>

// The lock that lets only one copy of the program run. On Linux (SingleInstance_posix.cpp, the only
// system built) it is a lock file in the user's runtime directory (the temporary directory where
// there is none) held with flock: the kernel releases it when the process ends, also when it crashes.
class SingleInstance {
public:
    explicit SingleInstance(QString name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process now holds the lock (or already held it); false when another holds it.
    bool TryAcquire();

private:
    struct Handle;
    QString m_name;
    std::unique_ptr<Handle> m_handle;
};
