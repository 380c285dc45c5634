// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModemDialogTestSupport.h"

#include "core/modem/ModemLink.h"
#include "ui/kit/DialogLayout.h"
#include "ui/phonebook/CallerRecordDialog.h"

#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

constexpr uint64_t kNsPerMs = 1000000;

QStringList Lines(const QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

// The modem ignores "AT&V" and `listing` comes 200 ms after it instead.
void ScriptListing(ModemDialogFixture& f, std::string listing) {
    quorra::Fault fault;
    fault.kind = quorra::FaultKind::NoAck;
    fault.command = "AT&V";
    f.sim.com1.AddFault(fault);
    f.sim.com1.SetMonitor([&f, listing = std::move(listing)](char direction, std::string_view bytes) {
        if (direction == '>' && bytes.find("AT&V\r") != std::string_view::npos)
            f.sim.com1.SendRaw(listing, f.sim.time.NowNs() + 200 * kNsPerMs);
    });
}

} // namespace

class TestCallerRecordDialog : public QObject {
    Q_OBJECT
private slots:
    void noModemNoDialog() {
        ModemDialogFixture f;
        f.sim.RemoveCom1();
        CallerRecordDialog dialog(f.services);
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(f.messages.shown.size(), size_t(1));
        QCOMPARE(f.messages.shown[0].text, QStringLiteral("检测调制解调器失败！"));
        QVERIFY(f.CommandsAfterProbe().empty());
    }

    void listFilledBeforeShownAndSortedJanuaryFirst() {
        ModemDialogFixture f;
        ScriptListing(f, "AT&V\r\r\n[SETTINGS]\r\n0F=11111111111111\r\n"
                         "[telephone numbers]\r\n"
                         "0f=87654323101231\r\n"
                         "0E=1111222233330000\r\n"
                         "11=8765432114300825\r\n"
                         "10=\r\n"
                         "1d=5550100"
                         "09150102\r\n"
                         "1E=9999000000000000\r\n"
                         "[OTHER]\r\n12=2222222200000101\r\n"
                         "OK\r\n");
        CallerRecordDialog dialog(f.services);
        QStringList atFirstShow;
        WhenShown(dialog, [&] {
            atFirstShow = Lines(dialog.List());
            QCOMPARE(dialog.windowTitle(), QStringLiteral("来电记录"));
            QCOMPARE(dialog.size(), dialoglayout::ToPixels(dialog.font(), 273, 179));
            QCOMPARE(dialog.findChild<QListWidget*>(QStringLiteral("callerList")), dialog.List());
            auto* exit = dialog.findChild<QPushButton*>(QStringLiteral("exitButton"));
            QCOMPARE(exit->text(), QStringLiteral("退出(&E)"));
            QVERIFY(!exit->isDefault());
            QTest::mouseClick(exit, Qt::LeftButton);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QCOMPARE(atFirstShow, (QStringList{QStringLiteral("01月02日09时15分\t\t来电号码：5550100"),
                                           QStringLiteral("08月25日14时30分\t\t来电号码：87654321"),
                                           QStringLiteral("12月31日23时10分\t\t来电号码：876543")}));
        QVERIFY(!f.PortOpen());
    }

    void enterAndEscapeCloseThePort_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Esc") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }
    void enterAndEscapeCloseThePort() {
        QFETCH(int, key);
        QFETCH(int, result);
        ModemDialogFixture f;
        f.sim.com1.AddCall({"87654321", "14300825"});
        CallerRecordDialog dialog(f.services);
        WhenShown(dialog, [&] {
            QCOMPARE(dialog.List()->count(), 1);
            dialog.List()->setFocus();
            QTest::keyClick(dialog.List(), Qt::Key(key));
        });
        QCOMPARE(dialog.exec(), result);
        QVERIFY(!f.PortOpen());
        // The next modem command of the program finds the port free.
        ModemLink next(f.sim.env);
        QVERIFY(next.Open("COM1"));
        next.Close();
    }

    void aModemThatAnswersAtOnceShowsItsRecords() {
        ModemDialogFixture f;
        f.sim.com1.Timing().listingDelayMs = 10;
        f.sim.com1.AddCall({"87654321", "14300825"});
        CallerRecordDialog dialog(f.services);
        QStringList lines;
        WhenShown(dialog, [&] { lines = Lines(dialog.List()); });
        dialog.exec();
        QCOMPARE(lines, QStringList{QStringLiteral("08月25日14时30分\t\t来电号码：87654321")});
    }

    void silentModemGivesAnEmptyListWithoutMessage() {
        ModemDialogFixture f;
        quorra::Fault fault;
        fault.kind = quorra::FaultKind::NoAck;
        fault.command = "AT&V";
        f.sim.com1.AddFault(fault);
        CallerRecordDialog dialog(f.services);
        int count = -1;
        uint32_t shownAt = 0;
        const uint32_t start = f.sim.time.TickCount();
        WhenShown(dialog, [&] {
            count = dialog.List()->count();
            shownAt = f.sim.time.TickCount();
        });
        dialog.exec();
        QCOMPARE(count, 0);
        QVERIFY(f.messages.shown.empty());
        // Detection (a second of DTR, the modem's "OK"s end their waits), then 100 ms and the
        // five-second wait for "OK".
        QVERIFY(shownAt - start >= 1000 + 5100);
    }
};

QTEST_MAIN(TestCallerRecordDialog)
#include "tst_callerrecorddialog.moc"
