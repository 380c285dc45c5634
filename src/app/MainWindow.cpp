// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/AboutDialog.h"
#include "app/AutoReader.h"
#include "app/LockKeys.h"
#include "app/ReadHandOver.h"
#include "app/TrayIcon.h"
#include "app/res/ProgramImages.h"
#include "core/fax/FaxReader.h"
#include "ui/faxlist/FaxListView.h"
#include "ui/kit/AppTitles.h"
#include "ui/kit/Status.h"
#include "ui/read/AutoReadDialog.h"

#include <functional>

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>

namespace {
QLabel* MakeIndicator(const char* objectName, const QString& text, QStatusBar* bar) {
    auto* label = new QLabel(bar);
    label->setObjectName(QLatin1String(objectName));
    label->setTextFormat(Qt::PlainText);
    label->setProperty("indicatorText", text);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(text) + 10);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    bar->addPermanentWidget(label);
    return label;
}

// Platforms without a real display cannot tell the lock keys.
bool PlatformHasKeyboard() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}
} // namespace

MainWindow::MainWindow(const AppServices& services, QWidget* parent) : QMainWindow(parent), m_services(services) {
    setObjectName(QStringLiteral("mainWindow"));
    status::SetBusy(false);
    setWindowIcon(images::ProgramIcon());

    m_reader = std::make_unique<FaxReader>(services.Link(), services.wallClock, services.programDirectory,
                                           FaxReader::SpoolOf(services.programDirectory));
    // Faxes that left the modem in a read that ended before recording them (a crash, a full disk).
    const int recovered = static_cast<int>(m_reader->RecoverCaptures().size());
    m_view = new FaxListView(services, *m_reader, this);
    setCentralWidget(m_view);

    // Menu: three pop-ups, no separators, every item always enabled.
    QMenu* fax = menuBar()->addMenu(QStringLiteral("传真(&F)"));
    fax->setObjectName(QStringLiteral("menuFax"));
    QMenu* settings = menuBar()->addMenu(QStringLiteral("设置(&C)"));
    settings->setObjectName(QStringLiteral("menuSettings"));
    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    help->setObjectName(QStringLiteral("menuHelp"));

    QAction* read = AddCommand("actionReadFaxes", QStringLiteral("传真读取(&R)"), MenuCommand::ReadFaxes,
                               QStringLiteral("读取QuorraMODEM存储的传真文件"), QStringLiteral("读取传真"));
    QAction* view = AddCommand("actionViewFax", QStringLiteral("传真阅览(&B)"), MenuCommand::ViewFax,
                               QStringLiteral("阅览您所指定的传真文件"), QStringLiteral("阅读传真"));
    QAction* preview = AddCommand("actionPreviewFax", QStringLiteral("传真预览(&V)"), MenuCommand::PreviewFax,
                                  QStringLiteral("在本程序中预览您所指定的传真文件"), QStringLiteral("预览传真"));
    QAction* print = AddCommand("actionPrintFax", QStringLiteral("打印传真(&P)..."), MenuCommand::PrintFax,
                                QStringLiteral("打印您所指定的传真文件"), QStringLiteral("打印传真"));
    QAction* pdf = AddCommand("actionExportPdf", QStringLiteral("导出为PDF(&X)..."), MenuCommand::ExportPdf,
                              QStringLiteral("将您所指定的传真文件导出为PDF文件"), QStringLiteral("导出PDF"));
    QAction* remove = AddCommand("actionDeleteFax", QStringLiteral("传真删除(&D)"), MenuCommand::DeleteFax,
                                 QStringLiteral("删除您所指定的传真文件"), QStringLiteral("删除传真"));
    QAction* exit = AddCommand("actionExit", QStringLiteral("关闭程序(&E)"), MenuCommand::Exit,
                               QStringLiteral("退出应用程序"), QStringLiteral("退出"));
    QAction* modem = AddCommand("actionModemSettings", QStringLiteral("参数设置(&S)"), MenuCommand::ModemSettings,
                                QStringLiteral("设置QuorraMODEM参数"), QStringLiteral("设置参数"));
    QAction* numbers = AddCommand("actionPhoneNumbers", QStringLiteral("电话号码(&P)"), MenuCommand::PhoneNumbers,
                                  QStringLiteral("存储用户常用电话号码"), QStringLiteral("存储号码"));
    QAction* callers = AddCommand("actionCallerRecords", QStringLiteral("来电记录(&I)"), MenuCommand::CallerRecords,
                                  QStringLiteral("显示来电记录"), QStringLiteral("显示来电记录"));
    QAction* autoRead = AddCommand("actionAutoRead", QStringLiteral("自动读取(&A)"), MenuCommand::AutoRead,
                                   QStringLiteral("设置是否每隔一段时间自动读取传真"), QStringLiteral("自动读取"));
    QAction* about = AddCommand("actionAbout", QStringLiteral("关于(&A)"), MenuCommand::About,
                                QStringLiteral("本程序版本信息"), QStringLiteral("关于...."));
    fax->addActions({read, view, preview, print, pdf, remove, exit});
    settings->addActions({modem, numbers, callers, autoRead});
    help->addAction(about);

    read->setIcon(images::ToolbarImage(images::kRead));
    view->setIcon(images::ToolbarImage(images::kView));
    modem->setIcon(images::ToolbarImage(images::kSettings));
    numbers->setIcon(images::ToolbarImage(images::kPhoneNumbers));
    remove->setIcon(images::ToolbarImage(images::kDelete));
    exit->setIcon(images::ToolbarImage(images::kExit));
    about->setIcon(images::ToolbarImage(images::kAbout));
    preview->setIcon(images::ExtraToolbarImage(images::kPreview));
    print->setIcon(images::ExtraToolbarImage(images::kPrint));
    pdf->setIcon(images::ExtraToolbarImage(images::kExportPdf));
    // Menus show no images, as the program's menus never had any.
    for (QAction* action : {read, view, preview, print, pdf, remove, exit, modem, numbers, callers, autoRead, about})
        action->setIconVisibleInMenu(false);

    // Reads in the background (automatic, or handed over by a command line) and the tray icon that
    // tells what they bring.
    m_autoReader = new AutoReader(*m_reader, *m_view, *this, this);
    m_tray = new TrayIcon(this);
    m_autoReader->SetNotifier(m_tray);
    connect(m_tray, &TrayIcon::OpenRequested, this, &MainWindow::ShowFromTray);
    connect(m_tray, &TrayIcon::ExitRequested, this, &MainWindow::ExitProgram);
    connect(m_autoReader, &AutoReader::ReadFinished, this, [this] {
        if (m_exiting)
            ExitProgram();
    });

    Route(read, &FaxListView::OnReadFaxes);
    Route(view, &FaxListView::OnViewFax);
    Route(preview, &FaxListView::OnPreviewFax);
    Route(print, &FaxListView::OnPrintFax);
    Route(pdf, &FaxListView::OnExportPdf);
    Route(remove, &FaxListView::OnDeleteFax);
    Route(modem, &FaxListView::OnModemSettings);
    Route(numbers, &FaxListView::OnPhoneNumbers);
    Route(callers, &FaxListView::OnCallerRecords);
    connect(autoRead, &QAction::triggered, this, [this] {
        if (!RefuseDuringAutomaticRead())
            OnAutoReadSettings();
    });
    connect(about, &QAction::triggered, this, &MainWindow::OnAbout);
    connect(exit, &QAction::triggered, this, &MainWindow::ExitProgram);

    // Toolbar: flat buttons, the caller records have none.
    QToolBar* tools = addToolBar(QStringLiteral("toolBar"));
    tools->setObjectName(QStringLiteral("toolBar"));
    tools->setIconSize(QSize(images::kToolbarImageWidth, images::kToolbarImageHeight));
    tools->setAllowedAreas(Qt::AllToolBarAreas);
    tools->setFloatable(true);
    tools->setMovable(true);
    tools->addActions({read, view, modem, numbers, remove});
    tools->addSeparator();
    tools->addActions({preview, print, pdf});
    tools->addSeparator();
    tools->addAction(exit);
    tools->addSeparator();
    tools->addAction(about);

    // Status bar: the message pane, then Caps Lock, Num Lock and Scroll Lock.
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    m_capsIndicator = MakeIndicator("indicatorCaps", QStringLiteral("大写"), bar);
    m_numIndicator = MakeIndicator("indicatorNum", QStringLiteral("数字"), bar);
    m_scrollIndicator = MakeIndicator("indicatorScroll", QStringLiteral("滚动"), bar);
    status::RegisterStatusBar(bar);
    status::SetStatusText(recovered > 0 ? retrieval::RecoveredText(recovered) : titles::ApplicationTitle());
    UpdateLockIndicators();
    qApp->installEventFilter(this);
    ApplyAutoRead(AutoReadSettings::Load(m_view->Store().IniPath()), false);

    resize(720, 480);
    CentreOnScreen();
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    status::RegisterStatusBar(nullptr);
}

QAction* MainWindow::AddCommand(const char* objectName, const QString& text, MenuCommand command, const QString& prompt,
                                const QString& tip) {
    auto* action = new QAction(text, this);
    action->setObjectName(QLatin1String(objectName));
    action->setData(static_cast<int>(command));
    action->setStatusTip(prompt);
    action->setToolTip(tip);
    return action;
}

QAction* MainWindow::Action(MenuCommand command) const {
    for (QAction* action : findChildren<QAction*>())
        if (!action->data().isNull() && action->data().toInt() == static_cast<int>(command))
            return action;
    return nullptr;
}

void MainWindow::Route(QAction* action, void (FaxListView::*handler)()) {
    connect(action, &QAction::triggered, this, [this, handler] {
        // std::invoke rather than (m_view->*handler)(): GCC 12's vptr check reads the member pointer
        // from the wrong place in this lambda and calls through garbage in the sanitizer build.
        if (!RefuseDuringAutomaticRead())
            std::invoke(handler, m_view);
    });
}

QString MainWindow::RefusedText() {
    return QStringLiteral("正在自动读取传真，请在读取结束后再试。");
}

bool MainWindow::RefuseDuringAutomaticRead() {
    if (!m_autoReader->IsReading())
        return false;
    status::SetStatusText(RefusedText());
    return true;
}

void MainWindow::OnAutoReadSettings() {
    status::SetStatusText(QStringLiteral("KorvelQuorraMODEM自动读取设置"));
    AutoReadDialog dialog(m_autoReader->Settings(), this);
    if (dialog.exec() == QDialog::Accepted) {
        const AutoReadSettings settings = dialog.Settings();
        settings.Save(m_view->Store().IniPath());
        // Turned on now: the first read follows at once, not only after the interval.
        ApplyAutoRead(settings, settings.enabled && !m_autoReader->Settings().enabled);
    }
    status::SetStatusText(titles::ApplicationTitle());
}

void MainWindow::StartAutomaticReading() {
    ApplyAutoRead(AutoReadSettings::Load(m_view->Store().IniPath()), true);
}

void MainWindow::ApplyAutoRead(const AutoReadSettings& settings, bool atStart) {
    m_autoReader->Apply(settings, atStart);
    m_tray->SetShown(settings.enabled && TrayIcon::Available());
    m_tray->UnreadFaxes(m_view->UnreadCount());
}

bool MainWindow::ServeReadRequests(const QString& name, QString* why) {
    auto* server = new handover::Server(
        [this](const retrieval::ReadProgress& progress) { return m_autoReader->ReadFor(progress); },
        QFile::decodeName(QByteArray::fromStdString(m_services.programDirectory)), this);
    if (server->Listen(name))
        return true;
    if (why != nullptr && !name.isEmpty())
        *why = server->ErrorText();
    return false;
}

void MainWindow::ShowFromTray() {
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::ExitProgram() {
    m_exiting = true;
    if (m_autoReader->IsReading()) {
        // The read finishes first (the modem is put back into data mode); then the program ends.
        status::SetStatusText(QStringLiteral("正在自动读取传真，读取结束后关闭程序..."));
        return;
    }
    close();
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // With automatic reading on, closing the window leaves the program in the tray, reading.
    if (!m_exiting && m_tray->IsShown()) {
        hide();
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::OnAbout() {
    AboutDialog about(this);
    about.exec();
}

void MainWindow::UpdateLockIndicators() {
    const LockKeyState keys = PlatformHasKeyboard() ? ReadLockKeys() : LockKeyState{};
    const std::pair<QLabel*, bool> indicators[] = {
        {m_capsIndicator, keys.caps}, {m_numIndicator, keys.num}, {m_scrollIndicator, keys.scroll}};
    for (const auto& [label, on] : indicators) {
        label->setVisible(keys.known);
        label->setText(on ? label->property("indicatorText").toString() : QString());
    }
}

bool MainWindow::event(QEvent* event) {
    // A prompt shows while a menu item is highlighted or the pointer rests on a button; when it
    // ends, pane 0 goes back to the text the program last put there.
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        statusBar()->showMessage(tip.isEmpty() ? status::RequestedText() : tip);
        return true;
    }
    return QMainWindow::event(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // A double-click in the list is the view command: refused, as the menu's, during a read in the
    // background.
    if (event->type() == QEvent::MouseButtonDblClick && watched == m_view->viewport() && RefuseDuringAutomaticRead())
        return true;
    // A lock key changes its light when it is released; another program may have changed it
    // while this window was in the background.
    if (event->type() == QEvent::KeyRelease || (watched == this && event->type() == QEvent::WindowActivate))
        UpdateLockIndicators();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    move(frame.topLeft());
}
