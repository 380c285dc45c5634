// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <string>

// The installation: the program directory ("~/KORVEL QUORRA" in the user's home directory, where
// the system drive's root used to be), a desktop launcher that starts the installed program, and
// the installation mark in that directory's RERAVA.INI. The program is not copied: the package
// keeps it up to date where it is installed.
namespace installation {
QString DirectoryName();    // "KORVEL QUORRA"
QString ShortcutBaseName(); // "KorvelQuorraMODEM传真处理程序"
// "KorvelQuorraMODEM传真处理程序.EXE": the program copy earlier versions made in the directory.
QString OldProgramFileName();
QString InstallDirectory(); // the home directory followed by "/KORVEL QUORRA"

// Whether [DEZAZAZE] "INSTALL" of the file holds anything but "NULL"; absent counts as "NULL".
bool IsInstalled(const std::string& iniPath);

// Every step goes on whatever happened before it, and nothing is reported: the directory, the
// desktop launcher starting `installedProgram` with `arguments` there, the mark "INSTALL" = "1",
// and an earlier installation's program copy retired.
void Install(const QString& installedProgram, const QString& installDirectory, const QStringList& arguments = {});

// An earlier version copied itself into the directory (OldProgramFileName) and pointed the desktop
// launcher at that copy, which no package upgrade ever refreshed. A launcher that still starts the
// copy is made to start `installedProgram`, and the copy is deleted; the directory's RERAVA.INI and
// faxes are left as they are. Nothing happens when there is no copy, or when `installedProgram` is
// that copy. Returns whether a copy was deleted.
bool RetireProgramCopy(const QString& installedProgram, const QString& installDirectory,
                       const QStringList& arguments = {});

// Writes the desktop launcher `baseName` (+ the platform's extension) in the desktop folder,
// starting `target` with `arguments` in `workingDirectory`. Per platform (DesktopShortcut_<os>.cpp).
bool CreateDesktopShortcut(const QString& baseName, const QString& target, const QString& workingDirectory,
                           const QStringList& arguments = {});
// The path of that launcher.
QString DesktopShortcutPath(const QString& baseName);
} // namespace installation
