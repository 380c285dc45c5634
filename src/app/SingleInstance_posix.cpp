// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
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

bool SingleInstance::TryAcquire() {
    if (m_handle)
        return true;
    QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty())
        directory = QDir::tempPath();
    const QByteArray path = QFile::encodeName(QDir(directory).filePath(m_name + QLatin1String(".lock")));
    // Never through a symbolic link: the temporary directory is shared with other users.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        // Without a lock file nothing can be told; better to run than to refuse every start.
        m_handle = std::make_unique<Handle>();
        return true;
    }
    int result;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        if (heldElsewhere)
            return false;
        m_handle = std::make_unique<Handle>();
        return true;
    }
    m_handle = std::make_unique<Handle>();
    m_handle->fd = fd;
    return true;
}
