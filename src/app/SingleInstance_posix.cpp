// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include "app/PrivateRuntime.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

struct SingleInstance::Handle {
    int fd = -1;
};

SingleInstance::SingleInstance(QString name) : m_name(std::move(name)) {}

SingleInstance::~SingleInstance() {
    // Closing the descriptor releases the lock. The file stays: removing it would let a third
    // copy lock a new file while a second still holds the old one.
    if (m_handle && m_handle->fd >= 0)
        ::close(m_handle->fd);
}

SingleInstance::Outcome SingleInstance::TryAcquire() {
    if (m_handle)
        return Outcome::Acquired;
    m_failure.clear();
    const QString directory = privateruntime::Directory(&m_failure);
    if (directory.isEmpty())
        return Outcome::Failed;
    const QString name = QDir(directory).filePath(m_name + QLatin1String(".lock"));
    const int fd = ::open(QFile::encodeName(name).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        // Without the lock two copies could share one modem: none starts.
        m_failure = QStringLiteral("“%1”：%2").arg(name, QString::fromLocal8Bit(std::strerror(errno)));
        return Outcome::Failed;
    }
    int result;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return Outcome::HeldElsewhere;
        m_failure = QStringLiteral("“%1”：%2").arg(name, QString::fromLocal8Bit(std::strerror(error)));
        return Outcome::Failed;
    }
    m_handle = std::make_unique<Handle>();
    m_handle->fd = fd;
    return Outcome::Acquired;
}
