// SPDX-License-Identifier: GPL-3.0-or-later
// The real serial code (QSerialPort, the Qt pump, the steady clock) over a pseudo-terminal against
// quorra-modem-sim, in real time.
#include "core/fax/FaxReader.h"
#include "core/fax/FaxRecordStore.h"
#include "core/modem/ModemCommands.h"
#include "core/modem/ModemDetection.h"
#include "core/modem/ModemLink.h"
#include "core/platform/Clock.h"
#include "core/platform/EventPump.h"
#include "core/platform/ProfileFile.h"
#include "core/platform/QtSerialBackend.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kPage = std::string(FAXDESK_TEST_DATA_DIR) + "/sim/page.t4";

// One simulator process serving one pseudo-terminal, entered in a fresh RERAVA.INI as COM1.
class PtyModem {
public:
    explicit PtyModem(QStringList arguments) : m_ini(testsupport::MakeTempDir() + "RERAVA.INI") {
        arguments << QStringLiteral("--ini") << QString::fromStdString(m_ini);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(FAXDESK_SIM_EXECUTABLE), arguments);
        if (m_process.waitForStarted(5000) && m_process.waitForReadyRead(5000))
            m_device = m_process.readLine().trimmed().toStdString();
    }
    ~PtyModem() {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }
    const std::string& Device() const { return m_device; }
    const std::string& Ini() const { return m_ini; }
    QProcess& Process() { return m_process; }

private:
    std::string m_ini;
    std::string m_device;
    QProcess m_process;
};

// The program's pump, counting how often the waits gave it control.
class CountingPump final : public EventPump {
public:
    void PumpMessage() override { m_pump.PumpMessage(); }
    void Idle(uint32_t ms) override {
        ++idles;
        m_pump.Idle(ms);
    }
    void Rest(uint32_t ms) override {
        ++idles;
        m_pump.Rest(ms);
    }
    uint64_t idles = 0;

private:
    QtEventPump m_pump;
};

class PtyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "test_serial_pty";
            static char* argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);
        }
    }

    void Start(QStringList arguments) {
        m_modem = std::make_unique<PtyModem>(std::move(arguments));
        ASSERT_FALSE(m_modem->Device().empty()) << "the simulator printed no device";
        m_ports = std::make_unique<QtSerialBackendFactory>(PortMap(m_modem->Ini(), testsupport::NoFoundPorts()));
    }
    std::unique_ptr<ModemLink> MakeLink() {
        return std::make_unique<ModemLink>(LinkEnvironment{clock, pump, *m_ports});
    }

    // Plays the first stored fax up to the start of its first page's data.
    void AnswerAndConnect(ModemLink& link) {
        ASSERT_TRUE(link.Open("COM1"));
        ASSERT_TRUE(link.Configure());
        link.SendCommand(modem::kNextFax, 100, false, true, true);
        ASSERT_TRUE(link.WaitForText(5000, modem::kRing));
        link.SendCommand(modem::kAnswer, 100, false, true, true);
        ASSERT_TRUE(link.WaitForOk());
        EXPECT_NE(link.ReplyText().find("+FTSI: \"PTY 1\""), std::string::npos);
        ASSERT_TRUE(link.SendCommand(modem::kReceivePage, 1000, false, true, true));
        ASSERT_TRUE(link.ReplyContains(modem::kConnect));
    }

    SteadyClock clock;
    CountingPump pump;
    std::unique_ptr<PtyModem> m_modem;
    std::unique_ptr<QtSerialBackendFactory> m_ports;
};

TEST_F(PtyTest, TheModemIsFoundOnCom1AndAnswersAt) {
    Start({});
    auto link = MakeLink();
    ASSERT_TRUE(FindModem(*link));
    EXPECT_TRUE(link->SendCommand(modem::kAttention, 500, false, true, true));
    EXPECT_EQ(link->ReplyText(), "\r\nOK\r\n");
    EXPECT_TRUE(link->Close());
}

// Over the real line the modem's answer ends a command's wait at once. A modem that takes a new
// command only some time after the last (--pacing) gets that time when RERAVA.INI asks for the
// fixed waits.
TEST_F(PtyTest, RepliesEndTheWaitUnlessTheFixedWaitsAreAskedFor) {
    Start({QStringLiteral("--pacing"), QStringLiteral("200")});
    auto link = MakeLink();
    ASSERT_TRUE(link->Open("COM1"));
    ASSERT_TRUE(link->Configure());
    EXPECT_FALSE(link->FixedWaits());
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_TRUE(link->SendCommand(modem::kAttention, 500, false, true, true) && link->ReplyContains(modem::kOk));
    EXPECT_LT(elapsed.elapsed(), 250);
    EXPECT_FALSE(link->SendCommand(modem::kAttention, 500, false, true, true) && link->ReplyContains(modem::kOk))
        << "this modem drops a command that follows its answer at once";
    link->Close();

    ASSERT_TRUE(profile::WriteString(m_modem->Ini(), "PACING", "FixedWaits", "1"));
    ASSERT_TRUE(link->Open("COM1"));
    ASSERT_TRUE(link->Configure());
    EXPECT_TRUE(link->FixedWaits());
    for (int i = 0; i < 2; ++i) {
        elapsed.restart();
        EXPECT_TRUE(link->SendCommand(modem::kAttention, 500, false, true, true) && link->ReplyContains(modem::kOk));
        // The waits run on a millisecond tick counter: a wait that starts late in a tick ends up to
        // one millisecond short of its length measured by a finer clock.
        EXPECT_GE(elapsed.elapsed(), 499);
    }
    link->Close();
}

TEST_F(PtyTest, APortOpenElsewhereCannotBeOpened) {
    Start({});
    auto first = MakeLink();
    auto second = MakeLink();
    ASSERT_TRUE(first->Open("COM1"));
    EXPECT_FALSE(second->Open("COM1")) << "held by another port object of this program";
    EXPECT_EQ(second->LastOpen().failure, PortFailure::Busy);
    EXPECT_EQ(second->LastOpen().device, m_modem->Device());
    first->Close();
    EXPECT_TRUE(second->Open("COM1"));
    second->Close();

    // Another program holding the device, here flock(1) with a lock on it.
    QProcess holder;
    holder.start(QStringLiteral("flock"), {QStringLiteral("-o"), QString::fromStdString(m_modem->Device()),
                                           QStringLiteral("-c"), QStringLiteral("echo locked; sleep 30")});
    ASSERT_TRUE(holder.waitForReadyRead(5000));
    EXPECT_FALSE(first->Open("COM1")) << "held by another process";
    EXPECT_EQ(first->LastOpen().failure, PortFailure::Busy);
    holder.kill();
    holder.waitForFinished(5000);
    EXPECT_TRUE(first->Open("COM1"));
    first->Close();
}

TEST_F(PtyTest, APageIsCapturedByteForByteAtLineSpeed) {
    Start({QStringLiteral("--fax"), QStringLiteral("PTY 1:1:") + QString::fromStdString(kPage)});
    auto link = MakeLink();
    AnswerAndConnect(*link);
    testsupport::PageBytes captured;
    link->SetPageSink(&captured);
    link->SendCommand(std::string(1, modem::kDC2), 0, true, true, false);
    pump.idles = 0;
    EXPECT_TRUE(link->CaptureData());
    const uint64_t wakeUps = pump.idles;
    EXPECT_TRUE(link->WaitForText(5000, modem::kOk));
    const std::string page = testsupport::ReadFile(kPage);
    ASSERT_GT(page.size(), 500u);
    // The line brings about 11 bytes a millisecond: the capture takes them in chunks instead of
    // waking for each delivery.
    EXPECT_LT(wakeUps, page.size() / 40) << "times the capture gave the pump control";
    EXPECT_TRUE(captured.bytes == page + "\x10") << "the DLE of DLE ETX ends the capture";
    EXPECT_EQ(captured.bytes.size(), page.size() + 1);
    link->Close();
}

// A whole read over the real line from a modem that answers with the least it promises: each line a
// write of its own, no page-end or hang-up reports, the identification unpadded, pages without RTC.
TEST_F(PtyTest, AStrictModemsFaxesAreReadWhole) {
    const QString page = QString::fromStdString(kPage);
    Start({QStringLiteral("--strict"), QStringLiteral("--ring-delay"), QStringLiteral("20"),
           QStringLiteral("--answer-delay"), QStringLiteral("20"), QStringLiteral("--fax"),
           QStringLiteral("PTY 1:1:") + page + QLatin1Char(',') + page, QStringLiteral("--fax"),
           QStringLiteral("PTY 2:0:") + page});
    const std::string programDir = std::filesystem::path(m_modem->Ini()).parent_path().string() + "/";
    SystemWallClock wallClock;
    FaxReader reader(LinkEnvironment{clock, pump, *m_ports}, wallClock, programDir, testsupport::MakeTempDir());
    EXPECT_EQ(reader.Read().result.Code(), 0);
    std::vector<FaxRecord> records;
    reader.Store().LoadRecords([&](const FaxRecord& r) { records.push_back(r); });
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].id, "PTY 1\"") << "the closing quote of a short identification comes along";
    EXPECT_EQ(records[0].page, "2");
    EXPECT_TRUE(records[0].fine);
    EXPECT_EQ(testsupport::TiffPages(records[0].file), 2);
    EXPECT_EQ(records[1].page, "1");
    EXPECT_FALSE(records[1].fine);
    EXPECT_EQ(testsupport::TiffPages(records[1].file), 1);
}

TEST_F(PtyTest, ThePortVanishingMidPageEndsTheCaptureQuietly) {
    Start({QStringLiteral("--fax"), QStringLiteral("PTY 1:1:") + QString::fromStdString(kPage),
           QStringLiteral("--fault"), QStringLiteral("drop:DC2:1:300")});
    auto link = MakeLink();
    AnswerAndConnect(*link);
    testsupport::PageBytes captured;
    link->SetPageSink(&captured);
    link->SendCommand(std::string(1, modem::kDC2), 0, true, true, false);
    const uint32_t start = clock.TickCount();
    EXPECT_FALSE(link->CaptureData());
    EXPECT_LT(clock.TickCount() - start, 5000u);
    QProcess& simulator = m_modem->Process();
    ASSERT_TRUE(simulator.state() == QProcess::NotRunning || simulator.waitForFinished(5000))
        << "the simulator ends once it has dropped the line";

    // A hung-up line stays "ready" for ever. Were its descriptor still watched, every idle wait
    // would return at once and the waits would spin through their time: a one-second wait for a
    // text would give the pump control tens of thousands of times instead of about a hundred.
    EXPECT_FALSE(link->SendCommand(modem::kAttention, 100, false, true, true));
    pump.idles = 0;
    EXPECT_FALSE(link->WaitForText(1000, modem::kOk));
    EXPECT_LT(pump.idles, 1000u) << "idle calls in a one-second wait on the dead port";
    EXPECT_FALSE(link->PollInput());
    EXPECT_TRUE(link->Close());
    EXPECT_FALSE(link->IsOpen());
}

// Without [PORTS], COM1 and COM2 are the serial ports found: a USB adapter before a built-in port,
// whatever order they were listed in. The pseudo-terminal stands in for the real device.
TEST_F(PtyTest, FoundPortsBecomeCom1AndCom2) {
    Start({});
    const std::string unplugged = "/dev/faxdesk-unplugged";
    struct Row {
        const char* name;
        std::vector<FoundPort> found;
        bool onCom1;
    };
    const Row rows[] = {
        {"adapter before built-in port", {{unplugged, false}, {m_modem->Device(), true}}, true},
        {"unplugged adapter first", {{m_modem->Device(), false}, {unplugged, true}}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QtSerialBackendFactory ports{PortMap({}, std::make_shared<testsupport::FixedPortLister>(row.found))};
        ModemLink link(LinkEnvironment{clock, pump, ports});
        DetectionReport report;
        ASSERT_TRUE(FindModem(link, &report));
        ASSERT_EQ(report.size(), row.onCom1 ? 1u : 2u);
        EXPECT_EQ(report.back().port, row.onCom1 ? "COM1" : "COM2");
        EXPECT_EQ(report.back().device, m_modem->Device());
        EXPECT_TRUE(report.back().answered);
        if (!row.onCom1) {
            EXPECT_EQ(report[0].device, unplugged);
            EXPECT_EQ(report[0].failure, PortFailure::Absent);
        }
        link.Close();
    }
}

} // namespace
