// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/phonebook/CallerRecordDialog.h"

#include "core/phonebook/CallerRecords.h"
#include "core/platform/Gbk.h"
#include "ui/kit/DialogLayout.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

using dialoglayout::Place;

CallerRecordDialog::CallerRecordDialog(const AppServices& services, QWidget* parent) : ModemDialog(services, parent) {
    setWindowTitle(QStringLiteral("来电记录"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(dialoglayout::DialogFont());
    setFixedSize(dialoglayout::ToPixels(font(), 273, 179));

    auto* label = new QLabel(QStringLiteral("来电记录："), this);
    Place(label, 7, 7, 42, 9);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("callerList"));
    m_list->setSortingEnabled(true);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Place(m_list, 7, 17, 259, 138);

    m_exit = new QPushButton(QStringLiteral("退出(&E)"), this);
    m_exit->setObjectName(QStringLiteral("exitButton"));
    m_exit->setAutoDefault(false);
    m_exit->setDefault(false);
    Place(m_exit, 216, 158, 50, 14);
    connect(m_exit, &QPushButton::clicked, this, [this] { OnCancel(); });

    setTabOrder(m_list, m_exit);
}

void CallerRecordDialog::InitializeControls() {
    ReadCallerRecords();
}

void CallerRecordDialog::ReadCallerRecords() {
    for (const std::string& line : callerlog::ReadCallerRecords(m_link))
        m_list->addItem(gbk::ToQString(line));
}

void CallerRecordDialog::OnOK() {
    ClosePortIfFound();
    QDialog::accept();
}

void CallerRecordDialog::OnCancel() {
    ClosePortIfFound();
    QDialog::reject();
}

void CallerRecordDialog::reject() {
    OnCancel();
}

void CallerRecordDialog::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            OnOK();
            return;
        }
    }
    ModemDialog::keyPressEvent(event);
}
