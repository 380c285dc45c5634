// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>

// The lock that lets only one copy of the program run. On Linux (SingleInstance_posix.cpp, the only
// system built) it is a lock file in the user's private runtime folder (PrivateRuntime.h) held with
// flock: the kernel releases it when the process ends, also when it crashes.
class SingleInstance {
public:
    enum class Outcome {
        Acquired,      // this process holds the lock (or already held it)
        HeldElsewhere, // another copy holds it
        Failed,        // no lock could be taken: FailureReason() says why; no copy may start blind
    };

    explicit SingleInstance(QString name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Outcome TryAcquire();
    QString FailureReason() const { return m_failure; }

private:
    struct Handle;
    QString m_name;
    std::unique_ptr<Handle> m_handle;
    QString m_failure;
};
