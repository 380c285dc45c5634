// SPDX-License-Identifier: GPL-3.0-or-later
// The detection the modem dialogs run before they show: COM1, then COM2, and only the answer to
// the third "AT" counts. On virtual time against the simulated modems.
#include "GuiTestSupport.h"

#include "support/SimModemFixture.h"
#include "ui/kit/ModemDialog.h"

#include <QApplication>
#include <QCursor>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

bool WaitCursorUp() {
    return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

// The smallest modem dialog: notes what it finds when it is initialised and closes at once.
class ProbeDialog final : public ModemDialog {
public:
    using ModemDialog::ModemDialog;

    bool initialised = false;
    bool openAtInit = false;
    int foundAtInit = 0;
    bool waitCursorAtInit = false;
    bool OpenNow() const { return m_link.IsOpen(); }

protected:
    void InitializeControls() override {
        initialised = true;
        waitCursorAtInit = WaitCursorUp();
        openAtInit = m_link.IsOpen();
        foundAtInit = m_modemFound;
        QTimer::singleShot(0, this, &QDialog::accept);
    }
};

// The simulated ports, noting whether the wait cursor was up each time a port was opened.
class CursorWatchingPorts final : public SerialBackendFactory {
public:
    explicit CursorWatchingPorts(SerialBackendFactory& ports) : m_ports(ports) {}
    std::unique_ptr<SerialBackend> Create() override {
        waitCursorAtOpen.push_back(WaitCursorUp());
        return m_ports.Create();
    }
    std::vector<bool> waitCursorAtOpen;

private:
    SerialBackendFactory& m_ports;
};

size_t Attentions(const quorra::QuorraModem& modem) {
    const auto& commands = modem.Commands();
    return static_cast<size_t>(std::count(commands.begin(), commands.end(), std::string("AT")));
}

quorra::Fault NoAckOfAt(int occurrence) {
    quorra::Fault fault;
    fault.kind = quorra::FaultKind::NoAck;
    fault.command = "AT";
    fault.occurrence = occurrence;
    return fault;
}

using SetUp = std::function<void(SimModemFixture&)>;

} // namespace

Q_DECLARE_METATYPE(SetUp)

class TestDetectModem : public QObject {
    Q_OBJECT
private slots:
    void detect_data() {
        QTest::addColumn<SetUp>("setUp");
        QTest::addColumn<QString>("acceptedOn"); // empty: none

        QTest::newRow("modem on COM1") << SetUp([](SimModemFixture&) {}) << QStringLiteral("COM1");
        QTest::newRow("modem on COM2 only") << SetUp([](SimModemFixture& sim) {
            sim.RemoveCom1();
            sim.AddCom2();
        }) << QStringLiteral("COM2");
        QTest::newRow("no modem") << SetUp([](SimModemFixture& sim) { sim.RemoveCom1(); }) << QString();
        QTest::newRow("silent COM1, modem on COM2") << SetUp([](SimModemFixture& sim) {
            sim.com1.AddFault({quorra::FaultKind::Silence, {}, 0, 0, {}, 0});
            sim.AddCom2();
        }) << QStringLiteral("COM2");
        // Only the third answer counts: a modem that answers the first or the second "AT" and then
        // falls silent is not taken; one that wakes up for the third is.
        QTest::newRow("answers only the first") << SetUp([](SimModemFixture& sim) {
            sim.com1.AddFault(NoAckOfAt(2));
            sim.com1.AddFault(NoAckOfAt(3));
            sim.AddCom2();
        }) << QStringLiteral("COM2");
        QTest::newRow("answers only the second") << SetUp([](SimModemFixture& sim) {
            sim.com1.AddFault(NoAckOfAt(1));
            sim.com1.AddFault(NoAckOfAt(3));
            sim.AddCom2();
        }) << QStringLiteral("COM2");
        QTest::newRow("answers the first two, nothing on COM2")
            << SetUp([](SimModemFixture& sim) { sim.com1.AddFault(NoAckOfAt(3)); }) << QString();
        QTest::newRow("answers only the third") << SetUp([](SimModemFixture& sim) {
            sim.com1.AddFault(NoAckOfAt(1));
            sim.com1.AddFault(NoAckOfAt(2));
            sim.AddCom2();
        }) << QStringLiteral("COM1");
    }

    void detect() {
        QFETCH(SetUp, setUp);
        QFETCH(QString, acceptedOn);

        GuiFixture gui(QStringLiteral("no-faxes.ini"));
        SimModemFixture sim;
        sim.time.SetProcessQtEvents(true);
        setUp(sim);
        CursorWatchingPorts ports(sim.ports);
        const AppServices services{sim.time,
                                   gui.wallClock,
                                   sim.time,
                                   ports,
                                   gui.messages,
                                   gui.folders,
                                   gui.shell,
                                   gui.services.programPath,
                                   gui.services.programDirectory};

        ProbeDialog dialog(services);
        const int result = dialog.exec();

        if (acceptedOn.isEmpty()) {
            QCOMPARE(result, int(QDialog::Rejected));
            QVERIFY(!dialog.initialised);
            QCOMPARE(gui.messages.shown.size(), size_t(1));
            QCOMPARE(gui.messages.shown[0].text, QStringLiteral("检测调制解调器失败！"));
            QCOMPARE(gui.messages.shown[0].icon, MessageBoxService::Icon::Stop);
            // Read with the normal cursor, with a line for each port tried.
            QVERIFY(!gui.messages.shown[0].waitCursor);
            const QStringList lines = gui.messages.shown[0].details.split(QLatin1Char('\n'));
            QCOMPARE(lines.size(), 2);
            QVERIFY(lines[0].startsWith(QStringLiteral("COM1（/dev/simCOM1）：")));
            QVERIFY(lines[1].startsWith(QStringLiteral("COM2（/dev/simCOM2）：")));
        } else {
            QCOMPARE(result, int(QDialog::Accepted));
            QVERIFY(dialog.initialised);
            QVERIFY(dialog.openAtInit);
            QCOMPARE(dialog.foundAtInit, 1);
            QVERIFY(dialog.waitCursorAtInit); // the caller records are read from the modem there
            QVERIFY(gui.messages.shown.empty());
            // The port that answered was the last one tried and got its three "AT"s.
            if (acceptedOn == QStringLiteral("COM1")) {
                QCOMPARE(Attentions(sim.com1), size_t(3));
                QVERIFY(!sim.com2 || sim.com2->Commands().empty());
            } else {
                QVERIFY(sim.com2);
                QCOMPARE(Attentions(*sim.com2), size_t(3));
            }
        }
        // The wait cursor over every probe, and gone once the dialog ends.
        QVERIFY(!ports.waitCursorAtOpen.empty());
        QVERIFY(std::all_of(ports.waitCursorAtOpen.begin(), ports.waitCursorAtOpen.end(), [](bool up) { return up; }));
        QVERIFY(!QApplication::overrideCursor());
        // Whichever way it ended, the port is closed again and free for the next owner.
        QVERIFY(!dialog.OpenNow());
        ModemLink next(sim.env);
        QVERIFY(next.Open("COM1") || next.Open("COM2") || acceptedOn.isEmpty());
    }
};

QTEST_MAIN(TestDetectModem)
#include "tst_detectmodem.moc"
