// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QStringList>

// "安装": shows the program directory; "安装(&S)" installs the program there and closes with OK,
// "退出(&E)" closes with Cancel and writes nothing.
class InstallDialog : public QDialog {
    Q_OBJECT
public:
    // `runningProgram`: what the desktop launcher will start, with `launcherArguments`;
    // `installDirectory`: the program directory.
    InstallDialog(QString runningProgram, QString installDirectory, QStringList launcherArguments = {},
                  QWidget* parent = nullptr);

    const QString& InstallDirectory() const { return m_installDirectory; }

    // "安装(&S)".
    void OnInstall();

private:
    QString m_runningProgram;
    QString m_installDirectory;
    QStringList m_launcherArguments;
};
