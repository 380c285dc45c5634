// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: menu, toolbar, prompts and tooltips, status bar, about box, exit.
#include "GuiTestSupport.h"

#include "app/AboutDialog.h"
#include "app/MainWindow.h"
#include "app/Program.h"
#include "ui/faxlist/FaxListView.h"
#include "ui/kit/Status.h"

#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {
struct Command {
    const char* objectName;
    const char* text;
    MenuCommand command;
    const char* prompt;
    const char* tip;
};

const Command kFaxMenu[] = {
    {"actionReadFaxes", "传真读取(&R)", MenuCommand::ReadFaxes, "读取QuorraMODEM存储的传真文件", "读取传真"},
    {"actionViewFax", "传真阅览(&B)", MenuCommand::ViewFax, "阅览您所指定的传真文件", "阅读传真"},
    {"actionPreviewFax", "传真预览(&V)", MenuCommand::PreviewFax, "在本程序中预览您所指定的传真文件", "预览传真"},
    {"actionPrintFax", "打印传真(&P)...", MenuCommand::PrintFax, "打印您所指定的传真文件", "打印传真"},
    {"actionExportPdf", "导出为PDF(&X)...", MenuCommand::ExportPdf, "将您所指定的传真文件导出为PDF文件", "导出PDF"},
    {"actionDeleteFax", "传真删除(&D)", MenuCommand::DeleteFax, "删除您所指定的传真文件", "删除传真"},
    {"actionExit", "关闭程序(&E)", MenuCommand::Exit, "退出应用程序", "退出"},
};
const Command kSettingsMenu[] = {
    {"actionModemSettings", "参数设置(&S)", MenuCommand::ModemSettings, "设置QuorraMODEM参数", "设置参数"},
    {"actionPhoneNumbers", "电话号码(&P)", MenuCommand::PhoneNumbers, "存储用户常用电话号码", "存储号码"},
    {"actionCallerRecords", "来电记录(&I)", MenuCommand::CallerRecords, "显示来电记录", "显示来电记录"},
    {"actionAutoRead", "自动读取(&A)", MenuCommand::AutoRead, "设置是否每隔一段时间自动读取传真", "自动读取"},
};
const Command kHelpMenu[] = {
    {"actionAbout", "关于(&A)", MenuCommand::About, "本程序版本信息", "关于...."},
};

template <size_t N> void CheckMenu(QMenu* menu, const QString& title, const Command (&items)[N]) {
    QVERIFY(menu);
    QCOMPARE(menu->title(), title);
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.size(), qsizetype(N));
    for (size_t i = 0; i < N; ++i) {
        QAction* action = actions[qsizetype(i)];
        QCOMPARE(action->objectName(), QLatin1String(items[i].objectName));
        QCOMPARE(action->text(), QString::fromUtf8(items[i].text));
        QCOMPARE(action->data().toInt(), static_cast<int>(items[i].command));
        QCOMPARE(action->statusTip(), QString::fromUtf8(items[i].prompt));
        QCOMPARE(action->toolTip(), QString::fromUtf8(items[i].tip));
        QVERIFY(action->isEnabled());
        QVERIFY(action->shortcut().isEmpty());
    }
}

// Runs `check` on the next modal dialog once it is shown, then closes it with its button.
void OnNextModal(std::function<void(QWidget*)> check) {
    QTimer::singleShot(0, [check] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        check(QApplication::activeModalWidget());
    });
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void menuStructure() {
        GuiFixture fixture(QStringLiteral("no-faxes.ini"));
        MainWindow frame(fixture.services);
        const QList<QAction*> top = frame.menuBar()->actions();
        QCOMPARE(top.size(), 3);
        CheckMenu(top[0]->menu(), QStringLiteral("传真(&F)"), kFaxMenu);
        CheckMenu(top[1]->menu(), QStringLiteral("设置(&C)"), kSettingsMenu);
        CheckMenu(top[2]->menu(), QStringLiteral("帮助(&H)"), kHelpMenu);
        for (QAction* menu : top)
            for (QAction* item : menu->menu()->actions())
                QVERIFY(!item->isSeparator());
    }

    void toolbarOrderImagesAndTips() {
        GuiFixture fixture(QStringLiteral("no-faxes.ini"));
        MainWindow frame(fixture.services);
        auto* tools = frame.findChild<QToolBar*>(QStringLiteral("toolBar"));
        QVERIFY(tools);
        QStringList names;
        for (QAction* action : tools->actions()) {
            names << (action->isSeparator() ? QStringLiteral("|") : action->objectName());
            if (!action->isSeparator()) {
                QVERIFY(!action->icon().isNull());
                auto* button = qobject_cast<QToolButton*>(tools->widgetForAction(action));
                QVERIFY(button && button->autoRaise());
            }
        }
        // The built-in viewer's commands follow the original buttons as a group of their own.
        QCOMPARE(names, (QStringList{"actionReadFaxes", "actionViewFax", "actionModemSettings", "actionPhoneNumbers",
                                     "actionDeleteFax", "|", "actionPreviewFax", "actionPrintFax", "actionExportPdf",
                                     "|", "actionExit", "|", "actionAbout"}));
        QCOMPARE(tools->iconSize(), QSize(19, 20));
        QCOMPARE(tools->allowedAreas(), Qt::AllToolBarAreas);
    }

    void statusBarAtStartAndPrompts() {
        GuiFixture fixture(QStringLiteral("no-faxes.ini"));
        MainWindow frame(fixture.services);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.statusBar()->currentMessage(), QStringLiteral("KorvelQuorraMODEM传真处理程序"));
        // Offscreen the lock keys cannot be told: the indicators are hidden.
        for (const char* name : {"indicatorCaps", "indicatorNum", "indicatorScroll"}) {
            auto* indicator = frame.findChild<QLabel*>(QLatin1String(name));
            QVERIFY(indicator);
            QVERIFY(!indicator->isVisible());
        }

        // The pointer resting on the view button: its prompt in pane 0, its tooltip on the button;
        // when it leaves, the idle text comes back.
        auto* tools = frame.findChild<QToolBar*>(QStringLiteral("toolBar"));
        QWidget* view = tools->widgetForAction(frame.Action(MenuCommand::ViewFax));
        QCOMPARE(view->toolTip(), QStringLiteral("阅读传真"));
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(view, &enter);
        QCOMPARE(frame.statusBar()->currentMessage(), QStringLiteral("阅览您所指定的传真文件"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(view, &leave);
        QCOMPARE(frame.statusBar()->currentMessage(), QStringLiteral("KorvelQuorraMODEM传真处理程序"));

        // A highlighted menu item shows its prompt the same way.
        frame.Action(MenuCommand::ModemSettings)->showStatusText(frame.menuBar());
        QCOMPARE(frame.statusBar()->currentMessage(), QStringLiteral("设置QuorraMODEM参数"));

        // A command's own text stays until the command puts the idle text back.
        status::SetStatusText(QStringLiteral("正在检测调制解调器..."));
        QCOMPARE(frame.statusBar()->currentMessage(), QStringLiteral("正在检测调制解调器..."));
        QApplication::sendEvent(view, &enter);
        QApplication::sendEvent(view, &leave);
        QCOMPARE(frame.statusBar()->currentMessage(), QStringLiteral("正在检测调制解调器..."));
        status::SetStatusText(QStringLiteral("KorvelQuorraMODEM传真处理程序"));
    }

    void busyShowsTheWaitCursor() {
        GuiFixture fixture(QStringLiteral("no-faxes.ini"));
        MainWindow frame(fixture.services);
        QVERIFY(!status::IsBusy());
        status::SetBusy(true);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        status::SetBusy(false);
        QVERIFY(!QApplication::overrideCursor());
    }

    void aboutBox() {
        GuiFixture fixture(QStringLiteral("no-faxes.ini"));
        MainWindow frame(fixture.services);
        frame.show();
        QString version;
        QString title;
        OnNextModal([&](QWidget* dialog) {
            title = dialog->windowTitle();
            version = dialog->findChild<QLabel*>(QStringLiteral("staticVersion"))->text();
            auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("buttonOk"));
            QCOMPARE(ok->text(), QStringLiteral("确定"));
            QVERIFY(ok->isDefault());
            QVERIFY(!dialog->findChild<QLabel*>(QStringLiteral("staticNote"))->text().isEmpty());
            ok->click();
        });
        frame.Action(MenuCommand::About)->trigger();
        QCOMPARE(title, QStringLiteral("关于..."));
        QCOMPARE(version, QStringLiteral("KorvelQuorraMODEM传真软件1.0 版"));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void commandsReachTheView() {
        GuiFixture fixture(QStringLiteral("one-fax.ini"));
        MainWindow frame(fixture.services);
        QCOMPARE(frame.centralWidget(), frame.View());
        frame.View()->SelectRow(0);
        frame.Action(MenuCommand::ViewFax)->trigger();
        QCOMPARE(fixture.shell.opened.size(), size_t(1));
        frame.Action(MenuCommand::DeleteFax)->trigger();
        QCOMPARE(frame.View()->model()->rowCount(), 0);
    }

    void startTitleAndExit() {
        GuiFixture fixture(QStringLiteral("no-faxes.ini"));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(fixture.Dir()));
        Program app(fixture.services);
        QVERIFY(app.StartUp());
        QVERIFY(app.ShowMainWindow());
        MainWindow* frame = app.Window();
        QVERIFY(frame->isVisible());
        QCOMPARE(frame->windowTitle(), QStringLiteral("KorvelQuorraMODEM传真软件"));
        QVERIFY(fixture.messages.shown.empty());
        // Centred on the screen.
        const QPoint offCentre = frame->frameGeometry().center() - frame->screen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 4,
                 qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
        frame->Action(MenuCommand::Exit)->trigger();
        QVERIFY(!frame->isVisible());
        qunsetenv("XDG_RUNTIME_DIR");
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
