// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <string>

// The installation: a fixed directory in the user's home directory ("~/KORVEL QUORRA", where the
// system drive's root used to be), the program copied into it under its installed name, a desktop
// launcher, and the installation mark in that directory's RERAVA.INI.
namespace installation {
QString DirectoryName();    // "KORVEL QUORRA"
QString ProgramFileName();  // "KorvelQuorraMODEM传真处理程序.EXE"
QString ShortcutBaseName(); // "KorvelQuorraMODEM传真处理程序"
QString InstallDirectory(); // the home directory followed by "/KORVEL QUORRA"

// Whether [DEZAZAZE] "INSTALL" of the file holds anything but "NULL"; absent counts as "NULL".
bool IsInstalled(const std::string& iniPath);

// Every step goes on whatever happened before it, and nothing is reported: the directory, the
// copy of `runningProgram` (replacing an older copy, executable like the original), the desktop
// launcher, the mark "INSTALL" = "1".
void Install(const QString& runningProgram, const QString& installDirectory);

// Writes the desktop launcher `baseName` (+ the platform's extension) in the desktop folder,
// starting `target` in `workingDirectory`. Per platform (DesktopShortcut_<os>.cpp).
bool CreateDesktopShortcut(const QString& baseName, const QString& target, const QString& workingDirectory);
} // namespace installation
