// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/installation/Installation.h"

#include "core/platform/ProfileFile.h"
#include "core/platform/ProgramIni.h"
#include "core/platform/ProgramTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace installation {
QString DirectoryName() {
    return QStringLiteral("KORVEL QUORRA");
}
QString ShortcutBaseName() {
    return texts::kProgramTitle.toString();
}
QString OldProgramFileName() {
    return ShortcutBaseName() + QStringLiteral(".EXE");
}
QString InstallDirectory() {
    return QDir(QDir::homePath()).filePath(DirectoryName());
}

bool IsInstalled(const std::string& iniPath) {
    return profile::GetString(iniPath, programini::kSettingsSection, "INSTALL", "NULL") != "NULL";
}

void Install(const QString& installedProgram, const QString& installDirectory, const QStringList& arguments) {
    // The faxes' folder is its user's alone, whatever the session's default; one that exists keeps
    // what its owner gave it.
    if (!QFileInfo::exists(installDirectory))
        QDir().mkdir(installDirectory, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(installDirectory);
    CreateDesktopShortcut(ShortcutBaseName(), installedProgram, installDirectory, arguments);
    RetireProgramCopy(installedProgram, installDirectory, arguments);

    // Profile paths are the file system's own bytes.
    QString directory = installDirectory;
    if (!directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    profile::WriteString(programini::PathIn(QFile::encodeName(directory).toStdString()), programini::kSettingsSection,
                         "INSTALL", "1");
}

bool RetireProgramCopy(const QString& installedProgram, const QString& installDirectory, const QStringList& arguments) {
    const QFileInfo copy(QDir(installDirectory).filePath(OldProgramFileName()));
    if (!copy.isFile() || copy.canonicalFilePath() == QFileInfo(installedProgram).canonicalFilePath())
        return false;
    QFile launcher(DesktopShortcutPath(ShortcutBaseName()));
    if (launcher.open(QIODevice::ReadOnly)) {
        const bool startsCopy = QString::fromUtf8(launcher.readAll()).contains(OldProgramFileName());
        launcher.close();
        if (startsCopy)
            CreateDesktopShortcut(ShortcutBaseName(), installedProgram, installDirectory, arguments);
    }
    return QFile::remove(copy.filePath());
}
} // namespace installation
