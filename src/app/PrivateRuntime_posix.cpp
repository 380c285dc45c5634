// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PrivateRuntime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace privateruntime {

namespace {

// The folder is a real folder (no link), the user's, and closed to everybody else.
QString Fault(const QString& directory) {
    struct stat status {};
    if (::lstat(QFile::encodeName(directory).constData(), &status) != 0)
        return QStringLiteral("“%1”：%2").arg(directory, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISDIR(status.st_mode))
        return QStringLiteral("“%1”不是文件夹。").arg(directory);
    if (status.st_uid != ::geteuid())
        return QStringLiteral("“%1”属于另一个用户。").arg(directory);
    if ((status.st_mode & 077) != 0)
        return QStringLiteral("“%1”其他用户也能访问。").arg(directory);
    return {};
}

} // namespace

QString Directory(QString* why) {
    // Qt checks the session's folder itself and gives nothing when another user owns it.
    QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty()) {
        directory = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/faxdesk");
        QDir().mkpath(QFileInfo(directory).path());
        // Made closed; one that exists keeps its mode, and must pass the check below.
        ::mkdir(QFile::encodeName(directory).constData(), 0700);
    }
    if (directory.endsWith(QLatin1Char('/')))
        directory.chop(1);
    const QString fault = Fault(directory);
    if (fault.isEmpty())
        return directory;
    if (why != nullptr)
        *why = fault;
    return {};
}

bool PeerIsThisUser(qintptr descriptor) {
    struct ucred peer {};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           size == sizeof peer && peer.uid == ::geteuid();
}

} // namespace privateruntime
