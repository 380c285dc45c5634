// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopShell.h"

#include "core/platform/Gbk.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

// File names on Linux are UTF-8 on disk; the GBK text from RERAVA.INI is turned into them here.

bool DesktopShell::OpenByFileType(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(gbk::ToQString(path)));
}

bool DesktopShell::StartProgram(const std::string& program, const std::string& argument) {
    // No shell between: the viewer is the program and the page file its one argument, so blanks
    // and shell characters in either path are taken literally.
    return QProcess::startDetached(gbk::ToQString(program), {gbk::ToQString(argument)});
}

bool DesktopShell::IsProgram(const std::string& path) {
    const QFileInfo program(gbk::ToQString(path));
    return program.isFile() && program.isExecutable();
}
