// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/AutoReader.h"

#include <QObject>
#include <QString>

class QMenu;
class QSystemTrayIcon;

// The program's icon in the system tray while automatic reading is on: the number of unread faxes
// drawn on it and in its tooltip, a notification for new faxes, a click that brings the window
// back, and a small menu to open the window or end the program.
class TrayIcon final : public QObject, public FaxNotifier {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // The notification's texts for new faxes: title and message.
    static QString NewFaxesTitle(size_t count);
    static QString NewFaxesMessage(const std::vector<retrieval::RecordedFax>& faxes);
    // The same for the notification server, which reads markup and links: what came from the line
    // ("<a href=...>" as a sender's identification) is shown as the text it is.
    static QString NewFaxesNotificationBody(const std::vector<retrieval::RecordedFax>& faxes);

    void SetShown(bool shown);
    bool IsShown() const;
    // The desktop has a tray to show the icon in.
    static bool Available();

    void NewFaxes(const std::vector<retrieval::RecordedFax>& faxes) override;
    void UnreadFaxes(int count) override;
    void ReadProblem(const QString& text) override;

    QSystemTrayIcon& Icon() { return *m_icon; }

signals:
    void OpenRequested();
    void ExitRequested();

private:
    void UpdateToolTip();

    QSystemTrayIcon* m_icon;
    QMenu* m_menu;
    int m_unread = 0;
    QString m_problem;
};
