// SPDX-License-Identifier: GPL-3.0-or-later
#include "installation/Installation.h"

#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>

namespace installation {
QString DirectoryName() {
    return QStringLiteral("KORVEL QUORRA");
}
QString ProgramFileName() {
    return ShortcutBaseName() + QStringLiteral(".EXE");
}
QString ShortcutBaseName() {
    return QStringLiteral("KorvelQuorraMODEM传真处理程序");
}
QString InstallDirectory() {
    return QDir(QDir::homePath()).filePath(DirectoryName());
}

bool IsInstalled(const std::string& iniPath) {
    return profile::GetString(iniPath, "DEZAZAZE", "INSTALL", "NULL") != "NULL";
}

void Install(const QString& runningProgram, const QString& installDirectory) {
    QDir().mkpath(installDirectory);

    const QString installed = QDir(installDirectory).filePath(ProgramFileName());
    if (QFileInfo(runningProgram).canonicalFilePath() != QFileInfo(installed).canonicalFilePath()) {
        QFile::remove(installed);
        if (QFile::copy(runningProgram, installed))
            QFile::setPermissions(installed, QFile::permissions(runningProgram) | QFileDevice::ReadOwner |
                                                 QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    CreateDesktopShortcut(ShortcutBaseName(), installed, installDirectory);

    // Profile paths are the file system's own bytes.
    const std::string ini =
        QFile::encodeName(QDir(installDirectory).filePath(QStringLiteral("RERAVA.INI"))).toStdString();
    profile::WriteString(ini, "DEZAZAZE", "INSTALL", "1");
}
} // namespace installation
