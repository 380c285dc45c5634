// SPDX-License-Identifier: GPL-3.0-or-later
// The read command through the main window, on virtual time against the simulated modem: the
// window is disabled with the wait cursor while it runs, the outcome is told with the stop icon,
// and afterwards the window, the cursor, the status text and the port are given back and the list
// shows what was read.
#include "GuiTestSupport.h"

#include "app/MainWindow.h"
#include "core/fax/CaptureFile.h"
#include "core/fax/FaxReader.h"
#include "core/fax/FaxRetrieval.h"
#include "core/modem/ModemLink.h"
#include "support/ReadScenarios.h"
#include "support/SimModemFixture.h"
#include "support/TestSupport.h"
#include "ui/faxlist/FaxListView.h"
#include "ui/kit/Status.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

std::string Page(const char* name) {
    return testsupport::ReadFile(std::string(FAXDESK_TEST_DATA_DIR) + "/pages/" + name + ".g3");
}

using SetUp = std::function<void(SimModemFixture&)>;

// The main window on the simulated modem: the program's services with virtual time and the
// simulated ports in place of the real ones.
struct ReadFixture {
    explicit ReadFixture(const QString& ini) : gui(ini) { sim.time.SetProcessQtEvents(true); }

    GuiFixture gui;
    SimModemFixture sim;
    RecordingMessageBoxService messages;
    const AppServices services{sim.time,
                               gui.wallClock,
                               sim.time,
                               sim.ports,
                               messages,
                               gui.folders,
                               gui.shell,
                               gui.services.programPath,
                               gui.services.programDirectory};
};

} // namespace

Q_DECLARE_METATYPE(SetUp)

class TestReadFaxes : public QObject {
    Q_OBJECT
private slots:
    // A fax that left the modem in a read that ended before recording it (a crash) is recorded when
    // the window starts, from the capture it left in the spool, and the user is told.
    void aCaptureLeftByACrashIsRecordedAtStart() {
        ReadFixture f(QStringLiteral("one-fax.ini"));
        const std::string spool = FaxReader::SpoolOf(f.services.programDirectory);
        QVERIFY(QDir().mkpath(QString::fromStdString(spool)));
        {
            CaptureFile capture;
            QVERIFY(capture.Create(spool, "0,3,0,2 ", "LEFT BEHIND"));
            const std::string page = Page("checker") + "\x10";
            QVERIFY(capture.Append(page.data(), page.size()));
            QVERIFY(capture.EndPage(true));
        }
        MainWindow frame(f.services);
        FaxListView* view = frame.View();
        QCOMPARE(view->model()->rowCount(), 2);
        QCOMPARE(view->Rows().Cell(1, FaxListView::kColumnId), QStringLiteral("LEFT BEHIND"));
        QCOMPARE(view->Rows().Cell(1, FaxListView::kColumnResolution), QStringLiteral("低"));
        QCOMPARE(status::StatusText(), retrieval::RecoveredText(1));
        QVERIFY(QDir(QString::fromStdString(spool)).entryList(QDir::Files).isEmpty());
    }

    void readsIntoTheList() {
        ReadFixture f(QStringLiteral("one-fax.ini"));
        f.sim.com1.AddFax({"     +86 10 87654321", true, {Page("checker")}});
        f.sim.com1.AddFax({"     +86 21 12345678", false, {Page("text-normal-fill"), Page("black-line")}});
        MainWindow frame(f.services);
        frame.show();
        FaxListView* view = frame.View();
        QCOMPARE(view->model()->rowCount(), 1);

        // What the user sees while the modem talks: a disabled window, the wait cursor, progress.
        bool seen = false;
        bool enabledDuring = true;
        bool busyDuring = false;
        bool waitCursorDuring = false;
        f.sim.com1.SetMonitor([&](char direction, std::string_view bytes) {
            if (direction != '>' || bytes.find("ATA") == std::string_view::npos || seen)
                return;
            seen = true;
            enabledDuring = frame.isEnabled();
            busyDuring = status::IsBusy();
            waitCursorDuring = QApplication::overrideCursor() != nullptr;
        });

        QAction* read = frame.findChild<QAction*>(QStringLiteral("actionReadFaxes"));
        QVERIFY(read);
        read->trigger();

        QVERIFY(seen);
        QVERIFY(!enabledDuring);
        QVERIFY(busyDuring);
        QVERIFY(waitCursorDuring);

        QVERIFY(f.messages.shown.empty());
        QVERIFY(frame.isEnabled());
        QVERIFY(!status::IsBusy());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(status::StatusText(), retrieval::kIdleText.toString());
        QCOMPARE(view->model()->rowCount(), 3);
        for (int row = 1; row < 3; ++row) {
            QCOMPARE(view->Rows().Cell(row, FaxListView::kColumnRead), QStringLiteral("未阅"));
        }
        QCOMPARE(view->Rows().Cell(1, FaxListView::kColumnId), QStringLiteral("+86 10 87654321"));
        QCOMPARE(view->Rows().Cell(1, FaxListView::kColumnPages), QStringLiteral("1"));
        QCOMPARE(view->Rows().Cell(1, FaxListView::kColumnResolution), QStringLiteral("高"));
        QCOMPARE(view->Rows().Cell(2, FaxListView::kColumnId), QStringLiteral("+86 21 12345678"));
        QCOMPARE(view->Rows().Cell(2, FaxListView::kColumnPages), QStringLiteral("2"));
        QCOMPARE(view->Rows().Cell(2, FaxListView::kColumnResolution), QStringLiteral("低"));

        // The port is free for the next command.
        ModemLink next(f.sim.env);
        QVERIFY(next.Open("COM1"));
        next.Close();
    }

    // Every outcome is told with the normal cursor, as the read without a window tells it too
    // (the shared list); a missing modem with what happened on each port.
    void outcomesAreTold_data() {
        QTest::addColumn<SetUp>("setUp");
        QTest::addColumn<QString>("message");     // empty: none
        QTest::addColumn<QStringList>("details"); // the starts of its lines; not looked at when empty
        QTest::addColumn<int>("newRows");

        for (const readscenarios::Scenario& shared : readscenarios::Scenarios())
            QTest::newRow(shared.name) << SetUp(shared.setUp) << shared.message << QStringList()
                                       << int(shared.faxes.size());
        QTest::newRow("no modem, each port told")
            << SetUp([](SimModemFixture& sim) { sim.RemoveCom1(); }) << retrieval::kNoModemMessage.toString()
            << QStringList{QStringLiteral("COM1（/dev/simCOM1）：端口不存在。"),
                           QStringLiteral("COM2（/dev/simCOM2）：端口不存在。")}
            << 0;
        QTest::newRow("COM1 without permission, COM2 busy")
            << SetUp([](SimModemFixture& sim) {
                   sim.ports.Refuse("COM1", PortFailure::NoPermission);
                   sim.ports.Refuse("COM2", PortFailure::Busy);
               })
            << retrieval::kNoModemMessage.toString()
            << QStringList{QStringLiteral("COM1（/dev/simCOM1）：没有使用该端口的权限。"),
                           QStringLiteral("COM2（/dev/simCOM2）：端口正被其他程序使用。")}
            << 0;
        QTest::newRow("silent modem")
            << SetUp([](SimModemFixture& sim) {
                   sim.com1.AddFault({quorra::FaultKind::Silence, {}, 0, 0, {}, 0});
               })
            << retrieval::kNoModemMessage.toString()
            << QStringList{QStringLiteral("COM1（/dev/simCOM1）：端口已打开，但调制解调器对“AT”没有回答“OK”。"),
                           QStringLiteral("COM2（/dev/simCOM2）：端口不存在。")}
            << 0;
    }

    void outcomesAreTold() {
        QFETCH(SetUp, setUp);
        QFETCH(QString, message);
        QFETCH(QStringList, details);
        QFETCH(int, newRows);

        ReadFixture f(QStringLiteral("one-fax.ini"));
        setUp(f.sim);
        MainWindow frame(f.services);
        frame.show();
        frame.findChild<QAction*>(QStringLiteral("actionReadFaxes"))->trigger();

        if (message.isEmpty()) {
            QVERIFY(f.messages.shown.empty());
        } else {
            QCOMPARE(f.messages.shown.size(), size_t(1));
            QCOMPARE(f.messages.shown[0].text, message);
            QCOMPARE(f.messages.shown[0].icon, MessageBoxService::Icon::Stop);
            QVERIFY(!f.messages.shown[0].busy);
            QVERIFY(!f.messages.shown[0].waitCursor);
        }
        if (!details.isEmpty()) {
            const QStringList shownDetails = f.messages.shown[0].details.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            QCOMPARE(shownDetails.size(), details.size());
            for (qsizetype i = 0; i < details.size(); ++i)
                QVERIFY2(shownDetails[i].startsWith(details[i]), qPrintable(shownDetails[i]));
        }

        QVERIFY(frame.isEnabled());
        QVERIFY(!status::IsBusy());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(status::StatusText(), retrieval::kIdleText.toString());
        QCOMPARE(frame.View()->model()->rowCount(), 1 + newRows);
    }
};

QTEST_MAIN(TestReadFaxes)
#include "tst_readfaxes.moc"
