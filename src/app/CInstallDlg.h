// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// "安装": shows where the program goes; "安装(&S)" installs it there and closes with OK, "退出(&E)"
// closes with Cancel and writes nothing.
class CInstallDlg : public QDialog {
    Q_OBJECT
public:
    // `runningProgram`: the program file to copy.
    explicit CInstallDlg(QString runningProgram, QWidget* parent = nullptr);

    const QString& InstallDirectory() const { return m_installDirectory; }

    // "安装(&S)".
    void OnInstall();

private:
    QString m_runningProgram;
    QString m_installDirectory;
};
