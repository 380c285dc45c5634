// SPDX-License-Identifier: GPL-3.0-or-later
#include "installation/Installation.h"

#include "platform/ProfileFile.h"
#include "platform/ProgramIni.h"
#include "platform/ProgramTexts.h"

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
    return texts::kProgramTitle.toString();
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
    QString directory = installDirectory;
    if (!directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    profile::WriteString(programini::PathIn(QFile::encodeName(directory).toStdString()), "DEZAZAZE", "INSTALL", "1");
}
} // namespace installation
