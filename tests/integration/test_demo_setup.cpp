// SPDX-License-Identifier: GPL-3.0-or-later
// The demo's set-up, as scripts/demo runs it, without the window: the demo program directory with
// its installation mark, quorra-modem-sim found as COM1 through section "PORTS", and a read
// bringing in the three sample faxes (a letter, a form, a two-page report) over the real serial
// code in real time.
#include "core/fax/FaxReader.h"
#include "core/platform/Clock.h"
#include "core/platform/EventPump.h"
#include "core/platform/ProfileFile.h"
#include "core/platform/QtSerialBackend.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include <csignal>
#include <string>
#include <vector>

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
    FaxReader reader(LinkEnvironment{clock, pump, ports}, wallClock, demo, testsupport::MakeTempDir());
    const retrieval::ReadOutcome outcome = reader.Read();
    ASSERT_EQ(outcome.result.Code(), 0);
    EXPECT_FALSE(retrieval::StopMessageOf(outcome).has_value());

    std::vector<FaxRecord> records;
    reader.Store().LoadRecords([&](const FaxRecord& record) { records.push_back(record); });
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
