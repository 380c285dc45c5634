// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProgramDirectory.h"

#include "core/installation/Installation.h"

#include <QDir>
#include <QProcessEnvironment>

namespace startup {

QString ProgramDirectory(const QString& option, const QProcessEnvironment& environment) {
    QString directory = option;
    if (directory.isEmpty())
        directory = environment.value(kDirectoryVariable.toString());
    if (directory.isEmpty())
        directory = installation::InstallDirectory();
    directory = QDir(directory).absolutePath();
    if (!directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    return directory;
}

} // namespace startup
