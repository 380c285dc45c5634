// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/kit/AppServices.h"

#include <QMainWindow>

#include <memory>

class AutoReader;
struct AutoReadSettings;
class FaxListView;
class FaxReader;
class QLabel;
class TrayIcon;

// The commands of the menu and the toolbar; each QAction carries its command as data.
enum class MenuCommand {
    ReadFaxes,
    ViewFax,
    // The built-in viewer's commands, after "传真阅览(&B)" in the fax menu.
    PreviewFax,
    PrintFax,
    ExportPdf,
    DeleteFax,
    Exit,
    ModemSettings,
    PhoneNumbers,
    CallerRecords,
    AutoRead,
    About,
};

// The program's only top-level window: menu, toolbar, status bar (message pane and the three lock
// indicators) and the fax list as client area. The commands of the fax list, the settings and the
// phone numbers go to the view; about and exit are the window's own. It builds the one fax reader
// that the read command, the automatic read and a handed-over command-line read share.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const AppServices& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    FaxListView* View() const { return m_view; }
    FaxReader& Reader() const { return *m_reader; }
    // The action of a command, or nullptr.
    QAction* Action(MenuCommand command) const;
    // The about box, modal.
    void OnAbout();
    // Shows "大写", "数字" and "滚动" while the key is on; hidden where the platform cannot tell.
    void UpdateLockIndicators();

    // The status text of a command refused while a read runs in the background.
    static QString RefusedText();
    AutoReader& AutoRead() const { return *m_autoReader; }
    TrayIcon& Tray() const { return *m_tray; }
    // The "自动读取" dialog, modal; its settings take effect at once.
    void OnAutoReadSettings();
    // Automatic reading as RERAVA.INI has it, with the read at start when it is on.
    void StartAutomaticReading();
    // Takes the reads a command line hands over, on the local socket `name`.
    // False, with `why` (when given) saying why, when it cannot listen at `name`.
    bool ServeReadRequests(const QString& name, QString* why = nullptr);
    // "关闭程序(&E)": ends the program, also when it stays in the tray (after a read in the
    // background has finished).
    void ExitProgram();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* AddCommand(const char* objectName, const QString& text, MenuCommand command, const QString& prompt,
                        const QString& tip);
    // Connects a command to its handler in the view, refused while a read runs in the background.
    void Route(QAction* action, void (FaxListView::*handler)());
    // True (and the status bar says why) while a read runs in the background.
    bool RefuseDuringAutomaticRead();
    void ApplyAutoRead(const AutoReadSettings& settings, bool atStart);
    void ShowFromTray();
    void CentreOnScreen();

    const AppServices& m_services;
    std::unique_ptr<FaxReader> m_reader;
    FaxListView* m_view = nullptr;
    QLabel* m_capsIndicator = nullptr;
    QLabel* m_numIndicator = nullptr;
    QLabel* m_scrollIndicator = nullptr;
    AutoReader* m_autoReader = nullptr;
    TrayIcon* m_tray = nullptr;
    bool m_exiting = false;
};
