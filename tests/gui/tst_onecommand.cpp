// SPDX-License-Identifier: GPL-3.0-or-later
// One modem command at a time, through the main window on virtual time against the simulated
// modem. Each command keeps the window alive while it waits for the modem (the read command for
// minutes, the dialogs while they find the modem and read the caller log, before they are modal).
// During every one of them the others, and the same one again, are triggered each time the program
// writes to the modem, from their actions and by their access keys as a user would press them: none
// may start, and the window's menu, tool bar and list take nothing.
#include "GuiTestSupport.h"
#include "app/AutoReader.h"
#include "app/MainWindow.h"
#include "support/SimModemFixture.h"
#include "ui/faxlist/FaxListView.h"
#include "ui/kit/ModemCommand.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <memory>

namespace {

// Counts the ports the program opens: every modem command opens one, so a command started inside
// another shows here.
class CountingPorts final : public SerialBackendFactory {
public:
    explicit CountingPorts(SerialBackendFactory& inner) : m_inner(inner) {}
    std::unique_ptr<SerialBackend> Create() override {
        ++created;
        return m_inner.Create();
    }
    int created = 0;

private:
    SerialBackendFactory& m_inner;
};

const char* const kModemCommands[] = {"actionReadFaxes", "actionModemSettings", "actionPhoneNumbers",
                                      "actionCallerRecords"};

// The access keys of the modem commands: Alt and the menu's letter, then the command's letter.
struct AccessKeys {
    Qt::Key menu;
    Qt::Key command;
};
const AccessKeys kCommandKeys[] = {
    {Qt::Key_F, Qt::Key_R}, // 传真(&F) / 传真读取(&R)
    {Qt::Key_C, Qt::Key_S}, // 设置(&C) / 参数设置(&S)
    {Qt::Key_C, Qt::Key_P}, // 设置(&C) / 电话号码(&P)
    {Qt::Key_C, Qt::Key_I}, // 设置(&C) / 来电记录(&I)
};

// Presses Alt and the menu's letter on the window; when a menu opens, presses the command's letter
// in it. Returns whether a menu opened.
bool PressAccessKeys(QWidget& window, AccessKeys keys) {
    QTest::keyClick(&window, keys.menu, Qt::AltModifier);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu)
        return false;
    QTest::keyClick(menu, keys.command);
    if (auto* still = QApplication::activePopupWidget())
        still->close();
    return true;
}

} // namespace

class TestOneCommand : public QObject {
    Q_OBJECT
private slots:
    void noCommandStartsInsideAnother_data() {
        QTest::addColumn<QString>("running");
        QTest::addColumn<bool>("hasDialog");
        QTest::newRow("read faxes") << QStringLiteral("actionReadFaxes") << false;
        QTest::newRow("settings") << QStringLiteral("actionModemSettings") << true;
        QTest::newRow("phone numbers") << QStringLiteral("actionPhoneNumbers") << true;
        QTest::newRow("caller records") << QStringLiteral("actionCallerRecords") << true;
    }

    void noCommandStartsInsideAnother() {
        QFETCH(QString, running);
        QFETCH(bool, hasDialog);
        GuiFixture gui(QStringLiteral("one-fax.ini"));
        SimModemFixture sim;
        sim.time.SetProcessQtEvents(true);
        sim.com1.AddCall({"87654321", "14300825"});
        CountingPorts ports(sim.ports);
        RecordingMessageBoxService messages;
        const AppServices services{sim.time,
                                   gui.wallClock,
                                   sim.time,
                                   ports,
                                   messages,
                                   gui.folders,
                                   gui.shell,
                                   gui.services.programPath,
                                   gui.services.programDirectory};
        MainWindow frame(services);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.activateWindow();

        // The keys reach the idle window: Alt+F opens the fax menu.
        QTest::keyClick(&frame, Qt::Key_F, Qt::AltModifier);
        auto* faxMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(faxMenu);
        QCOMPARE(faxMenu->title(), QStringLiteral("传真(&F)"));
        faxMenu->close();

        // A dialog that has come up modally is closed at once: its modal loop guards the window.
        QTimer closer;
        closer.setInterval(0);
        connect(&closer, &QTimer::timeout, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        closer.start();

        int attempts = 0;
        int started = 0;
        int windowTookInput = 0;
        int dialogsInFrontOfTheWindow = 0;
        bool inside = false;
        sim.com1.SetMonitor([&](char direction, std::string_view) {
            if (direction != '>' || inside)
                return;
            inside = true;
            ++attempts;
            if (frame.menuBar()->isEnabled() || frame.findChild<QToolBar*>()->isEnabled() || frame.View()->isEnabled())
                ++windowTookInput;
            if (!frame.findChildren<QDialog*>(Qt::FindDirectChildrenOnly).isEmpty())
                ++dialogsInFrontOfTheWindow;
            const int before = ports.created;
            for (const char* name : kModemCommands) {
                QAction* action = frame.findChild<QAction*>(QLatin1String(name));
                if (action->isEnabled())
                    ++windowTookInput;
                action->trigger();
            }
            for (const AccessKeys& keys : kCommandKeys)
                if (PressAccessKeys(frame, keys))
                    ++windowTookInput;
            // A command run from code, past the disabled actions, does not start either.
            frame.View()->OnModemSettings();
            frame.View()->OnReadFaxes();
            // Nor does an automatic read, or one a command line hands over.
            if (frame.AutoRead().ReadFor(retrieval::ReadProgress{}))
                ++started;
            started += ports.created - before;
            inside = false;
        });

        frame.findChild<QAction*>(running)->trigger();
        sim.com1.SetMonitor({});

        QVERIFY(attempts >= 3); // at least the three "AT"s of the probe
        QCOMPARE(started, 0);
        QCOMPARE(windowTookInput, 0);
        if (hasDialog)
            QCOMPARE(dialogsInFrontOfTheWindow, attempts);
        // Afterwards everything takes input again.
        QVERIFY(!ModemCommandScope::Running(&frame));
        QVERIFY(frame.isEnabled());
        QVERIFY(frame.menuBar()->isEnabled());
        QVERIFY(frame.View()->isEnabled());
        for (const char* name : kModemCommands)
            QVERIFY(frame.findChild<QAction*>(QLatin1String(name))->isEnabled());
    }
};

QTEST_MAIN(TestOneCommand)
#include "tst_onecommand.moc"
