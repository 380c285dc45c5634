// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstallDialog.h"

#include "core/installation/Installation.h"
#include "ui/kit/DialogLayout.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

InstallDialog::InstallDialog(QString runningProgram, QString installDirectory, QStringList launcherArguments,
                             QWidget* parent)
    : QDialog(parent), m_runningProgram(std::move(runningProgram)), m_installDirectory(std::move(installDirectory)),
      m_launcherArguments(std::move(launcherArguments)) {
    setObjectName(QStringLiteral("installDialog"));
    setWindowTitle(QStringLiteral("安装"));
    setFont(dialoglayout::DialogFont());
    setFixedSize(dialoglayout::ToPixels(font(), 157, 106));

    auto* heading = new QLabel(QStringLiteral("安装KorvelQuorraMODEM传真处理软件"), this);
    heading->setObjectName(QStringLiteral("staticHeading"));
    dialoglayout::Place(heading, 14, 7, 136, 11);

    auto* shortcut = new QLabel(QStringLiteral("在桌面生成快捷方式"), this);
    shortcut->setObjectName(QStringLiteral("staticShortcut"));
    dialoglayout::Place(shortcut, 25, 25, 99, 12);

    auto* label = new QLabel(QStringLiteral("安装路径："), this);
    label->setObjectName(QStringLiteral("staticPathLabel"));
    dialoglayout::Place(label, 25, 44, 62, 10);

    auto* path = new QLineEdit(QDir::toNativeSeparators(m_installDirectory), this);
    path->setObjectName(QStringLiteral("editInstallPath"));
    path->setProperty("controlId", 1029);
    path->setReadOnly(true);
    path->setCursorPosition(0);
    dialoglayout::Place(path, 25, 61, 102, 12);

    auto* install = new QPushButton(QStringLiteral("安装(&S)"), this);
    install->setObjectName(QStringLiteral("buttonInstall"));
    install->setProperty("controlId", 1);
    install->setDefault(true);
    dialoglayout::Place(install, 28, 80, 36, 17);
    connect(install, &QPushButton::clicked, this, &InstallDialog::OnInstall);

    auto* quit = new QPushButton(QStringLiteral("退出(&E)"), this);
    quit->setObjectName(QStringLiteral("buttonQuit"));
    quit->setProperty("controlId", 2);
    dialoglayout::Place(quit, 92, 80, 36, 17);
    connect(quit, &QPushButton::clicked, this, &QDialog::reject);

    install->setFocus();
}

void InstallDialog::OnInstall() {
    installation::Install(m_runningProgram, m_installDirectory, m_launcherArguments);
    accept();
}
