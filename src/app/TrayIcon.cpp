// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayIcon.h"

#include "app/res/ProgramImages.h"
#include "ui/kit/AppTitles.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

namespace {
// The program's icon with the number of unread faxes in a red disc at its lower right corner.
QIcon IconWithCount(int count) {
    const QIcon base = images::ProgramIcon();
    if (count <= 0)
        return base;
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = base.pixmap(size, size);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const QString text = count > 99 ? QStringLiteral("99+") : QString::number(count);
        const int disc = size * 5 / 8;
        const QRect area(size - disc, size - disc, disc, disc);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xd0, 0x20, 0x20));
        painter.drawEllipse(area);
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(std::max(6, disc * (text.size() > 1 ? 1 : 2) / 2 - 1));
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(area, Qt::AlignCenter, text);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
} // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), m_icon(new QSystemTrayIcon(this)), m_menu(new QMenu) {
    m_icon->setObjectName(QStringLiteral("trayIcon"));
    m_icon->setIcon(IconWithCount(0));
    QAction* open = m_menu->addAction(QStringLiteral("打开窗口(&O)"));
    open->setObjectName(QStringLiteral("trayOpen"));
    QAction* exit = m_menu->addAction(QStringLiteral("关闭程序(&E)"));
    exit->setObjectName(QStringLiteral("trayExit"));
    m_icon->setContextMenu(m_menu);
    connect(open, &QAction::triggered, this, &TrayIcon::OpenRequested);
    connect(exit, &QAction::triggered, this, &TrayIcon::ExitRequested);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            emit OpenRequested();
    });
    connect(m_icon, &QSystemTrayIcon::messageClicked, this, &TrayIcon::OpenRequested);
    UpdateToolTip();
}

TrayIcon::~TrayIcon() {
    delete m_menu;
}

QString TrayIcon::NewFaxesTitle(size_t count) {
    return QStringLiteral("收到 %1 份新传真").arg(count);
}

QString TrayIcon::NewFaxesMessage(const std::vector<retrieval::RecordedFax>& faxes) {
    QStringList lines;
    for (const retrieval::RecordedFax& fax : faxes) {
        const QString sender = fax.id.trimmed().isEmpty() ? QStringLiteral("（无发送方标识）") : fax.id.simplified();
        lines << QStringLiteral("%1（%2 页）").arg(sender).arg(fax.pages);
    }
    return lines.join(u'\n');
}

QString TrayIcon::NewFaxesNotificationBody(const std::vector<retrieval::RecordedFax>& faxes) {
    return NewFaxesMessage(faxes).toHtmlEscaped();
}

void TrayIcon::SetShown(bool shown) {
    m_icon->setVisible(shown);
}

bool TrayIcon::IsShown() const {
    return m_icon->isVisible();
}

bool TrayIcon::Available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::NewFaxes(const std::vector<retrieval::RecordedFax>& faxes) {
    m_icon->showMessage(NewFaxesTitle(faxes.size()), NewFaxesNotificationBody(faxes), QSystemTrayIcon::Information,
                        10000);
}

void TrayIcon::UnreadFaxes(int count) {
    if (count == m_unread)
        return;
    m_unread = count;
    m_icon->setIcon(IconWithCount(count));
    UpdateToolTip();
}

void TrayIcon::ReadProblem(const QString& text) {
    m_problem = text;
    UpdateToolTip();
}

void TrayIcon::UpdateToolTip() {
    QString tip = titles::ApplicationTitle();
    if (m_unread > 0)
        tip += QStringLiteral("\n%1 份未阅传真").arg(m_unread);
    if (!m_problem.isEmpty())
        tip += QStringLiteral("\n上次自动读取：") + m_problem;
    m_icon->setToolTip(tip);
}
