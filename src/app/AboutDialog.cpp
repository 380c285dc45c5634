// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutDialog.h"

#include "app/res/ProgramImages.h"
#include "ui/kit/DialogLayout.h"

#include <QLabel>
#include <QPushButton>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(QStringLiteral("关于..."));
    setFont(dialoglayout::DialogFont());
    setFixedSize(dialoglayout::ToPixels(font(), 149, 67));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("iconProgram"));
    icon->setPixmap(images::ProgramIcon().pixmap(32, 32));
    icon->setGeometry(QRect(dialoglayout::ToPixels(font(), 7, 9, 0, 0).topLeft(), QSize(32, 32)));

    auto* version = new QLabel(QStringLiteral("KorvelQuorraMODEM传真软件1.0 版"), this);
    version->setObjectName(QStringLiteral("staticVersion"));
    version->setProperty("controlId", 1021);
    dialoglayout::Place(version, 35, 7, 107, 8);

    auto* note = new QLabel(QStringLiteral("Quorra语音传真调制解调器的桌面程序：读取、阅览和管理传真"), this);
    note->setObjectName(QStringLiteral("staticNote"));
    note->setProperty("controlId", 1022);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    dialoglayout::Place(note, 37, 21, 97, 18);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("buttonOk"));
    ok->setProperty("controlId", 1);
    ok->setDefault(true);
    dialoglayout::Place(ok, 50, 46, 32, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
}
