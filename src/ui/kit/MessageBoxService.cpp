// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/kit/MessageBoxService.h"

#include "ui/kit/AppTitles.h"

#include <QMessageBox>

void QtMessageBoxService::ShowWithDetails(QWidget* parent, const QString& text, Icon icon, const QString& details) {
    QMessageBox box(parent);
    box.setWindowTitle(titles::ApplicationTitle());
    // Messages name paths and senders' identifications: text, never markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.setStandardButtons(QMessageBox::Ok);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    }
    box.exec();
}
