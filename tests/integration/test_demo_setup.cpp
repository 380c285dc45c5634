// SPDX-License-Identifier: GPL-3.0-or-later
// The demo's set-up, as scripts/demo runs it, without the window: the demo program directory with
// its installation mark, quorra-modem-sim found as COM1 through section "PORTS", and a read
// bringing in the three sample faxes (a letter, a form, a two-page report) over the real serial
// code in real time.
#include "fax/FaxFileWriter.h"
#include "fax/FaxRetrieval.h"
#include "faxlist/FaxRecordStore.h"
#include "modem/ModemLink.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/ProfileFile.h"
#include "platform/QtSerialBackend.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include <csignal>
#include <string>
#include <vector>

namespace {

class QuietHost final : public retrieval::CommandHost {
public:
    void SetStatusText(const QString&) override {}
    void SetBusy(bool) override {}
    void EnableMainWindow(bool) override {}
    void ShowStopMessage(const QString& text, const QString&) override { messages.push_back(text); }
    void ReloadRows() override {}
    std::vector<QString> messages;
};

} // namespace

TEST(DemoSetup, TheSimulatorIsCom1AndAReadBringsInTheThreeSampleFaxes) {
    int argc = 1;
    char name[] = "test_demo_setup";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    const std::string demo = testsupport::MakeTempDir() + "demo/";
    QProcess setup;
    setup.start(QStringLiteral(FAXDESK_SOURCE_DIR "/scripts/demo-setup"),
                {QStringLiteral(FAXDESK_BINARY_DIR), QString::fromStdString(demo)});
    ASSERT_TRUE(setup.waitForFinished(30000));
    ASSERT_EQ(setup.exitCode(), 0) << setup.readAllStandardError().toStdString();
    const std::string simPid = testsupport::ReadFile(demo + "quorra-modem-sim.pid");
    struct StopSimulator {
        int pid;
        ~StopSimulator() {
            if (pid > 0)
                ::kill(pid, SIGTERM);
        }
    } stop{std::atoi(simPid.c_str())};

    const std::string ini = demo + "RERAVA.INI";
    EXPECT_EQ(profile::GetString(ini, "DEZAZAZE", "INSTALL", "NULL"), "1");
    const std::string device = profile::GetString(ini, "PORTS", "COM1", "");
    EXPECT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;

    SteadyClock clock;
    SystemWallClock wallClock;
    QtEventPump pump;
    QtSerialBackendFactory ports{PortMap(ini, testsupport::NoFoundPorts())};
    ModemLink link(LinkEnvironment{clock, pump, ports});
    FaxFileWriter writer;
    FaxRecordStore store;
    store.OpenStoreAt(demo + "RERAVA.INI");
    QuietHost host;
    const retrieval::Context context{link, writer, store, testsupport::MakeTempDir(), demo, wallClock, host};
    ASSERT_EQ(retrieval::RunReadCommand(context, host), 0);
    EXPECT_TRUE(host.messages.empty());

    std::vector<FaxRecord> records;
    store.LoadRecords([&](const FaxRecord& record) { records.push_back(record); });
    ASSERT_EQ(records.size(), 3u);
    const std::vector<std::string> ids = {"0571 8765 4322", "021 5550 1234", "+86 10 6655 7788"};
    const std::vector<std::string> pages = {"1", "1", "2"};
    const std::vector<bool> fine = {true, false, true};
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].id, ids[i]);
        EXPECT_EQ(records[i].page, pages[i]);
        EXPECT_EQ(records[i].fine, fine[i]);
        EXPECT_FALSE(records[i].read);
        EXPECT_EQ(testsupport::TiffPages(records[i].file), std::stoi(pages[i])) << records[i].file;
    }
}
