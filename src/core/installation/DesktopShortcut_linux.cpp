// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/installation/Installation.h"

#include "core/platform/DurableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

// The shortcut on a Linux desktop is a freedesktop launcher: "<base name>.desktop", executable,
// in the desktop folder (created when the user has none yet).
namespace installation {
namespace {
// A value of the launcher file: backslash and line ends escaped.
QString EscapeValue(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else
            out += c;
    }
    return out;
}

// One argument of "Exec": quoted (the path has a blank in it), with the characters that are
// special inside quotes escaped, and "%" doubled so that it is not a field code.
QString QuoteExecArgument(const QString& argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}
} // namespace

QString DesktopShortcutPath(const QString& baseName) {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return desktop.isEmpty() ? QString() : QDir(desktop).filePath(baseName + QStringLiteral(".desktop"));
}

bool CreateDesktopShortcut(const QString& baseName, const QString& target, const QString& workingDirectory,
                           const QStringList& arguments) {
    const QString path = DesktopShortcutPath(baseName);
    if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).path()))
        return false;
    DurableFile file(QFile::encodeName(path).toStdString());
    if (!file.Open())
        return false;
    QStringList command{QuoteExecArgument(target)};
    for (const QString& argument : arguments)
        command << QuoteExecArgument(argument);
    const QString text =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Version=1.0\n"
                       "Name=%1\n"
                       "Exec=%2\n"
                       "Path=%3\n"
                       "Terminal=false\n")
            .arg(EscapeValue(baseName), EscapeValue(command.join(QLatin1Char(' '))), EscapeValue(workingDirectory));
    const QByteArray bytes = text.toUtf8();
    if (!file.Write(bytes.constData(), static_cast<size_t>(bytes.size())) || !file.Commit())
        return false;
    // Desktops start only launchers that are executable.
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                           QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                           QFileDevice::ExeOther);
}
} // namespace installation
