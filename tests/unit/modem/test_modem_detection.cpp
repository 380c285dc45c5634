// SPDX-License-Identifier: GPL-3.0-or-later
// FindModem: COM1 then COM2, only the third "AT" counts, the answering port stays open.
#include "core/modem/ModemDetection.h"
#include "core/modem/ModemLink.h"
#include "support/SimModemFixture.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <string>
#include <tuple>

namespace {

struct DetectCase {
    const char* name;
    bool com1Present;
    int com1MissesAt; // 0: answers every "AT"; n: ignores the n-th
    bool com2Present;
    bool found;
    const char* answeringPort; // whose modem was last asked
    uint32_t elapsedMs;        // with the fixed waits: a second of DTR and three 500 ms waits a port
    uint32_t replyEndsMs;      // when an answered "AT" ends its wait at once
};

class DetectionTable : public ::testing::TestWithParam<std::tuple<DetectCase, bool>> {};

TEST_P(DetectionTable, FindsTheModem) {
    const auto& [c, fixedWaits] = GetParam();
    SimModemFixture sim(c.com2Present);
    sim.ports.SetFixedWaits(fixedWaits);
    if (!c.com1Present)
        sim.RemoveCom1();
    if (c.com1MissesAt > 0)
        sim.com1.AddFault({quorra::FaultKind::NoAck, "AT", c.com1MissesAt, 0, {}, 0});
    ModemLink link(sim.env);
    const uint32_t start = sim.time.TickCount();
    EXPECT_EQ(FindModem(link), c.found);
    EXPECT_EQ(link.IsOpen(), c.found);
    EXPECT_NEAR(double(sim.time.TickCount() - start), double(fixedWaits ? c.elapsedMs : c.replyEndsMs), 5.0);
    if (c.found) {
        // The port left open is the one that answered: its modem hears the next command.
        quorra::QuorraModem& modem = std::string(c.answeringPort) == "COM1" ? sim.com1 : *sim.com2;
        const size_t before = modem.Commands().size();
        link.SendCommand("ATI\r", 100, false, true, true);
        EXPECT_EQ(modem.Commands().size(), before + 1);
        link.Close();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ports, DetectionTable,
    ::testing::Combine(
        ::testing::Values(DetectCase{"OnCom1", true, 0, false, true, "COM1", 2500, 1010},
                          // The answer owed to the first "AT" could still come: the next two wait
                          // their whole time.
                          DetectCase{"FirstAnswerMissingStillCounts", true, 1, false, true, "COM1", 2500, 2500},
                          DetectCase{"ThirdAnswerMissing", true, 3, false, false, "", 3500, 2507},
                          DetectCase{"ThirdAnswerMissingOnCom1ButCom2Answers", true, 3, true, true, "COM2", 5000, 2517},
                          DetectCase{"OnlyOnCom2", false, 0, true, true, "COM2", 3500, 2010},
                          DetectCase{"Nowhere", false, 0, false, false, "", 2000, 2000}),
        ::testing::Bool()),
    [](const auto& row) {
        return std::string(std::get<0>(row.param).name) + (std::get<1>(row.param) ? "FixedWaits" : "ReplyEnds");
    });

// What the report says of each port, and what the user reads of it.
struct ReasonCase {
    const char* name;
    PortFailure com1Refused; // None: COM1's modem is there but silent
    bool com2Present;
    PortFailure com1Failure;
    PortFailure com2Failure;
    const char* com1Words; // a phrase the details must hold for COM1
};

class DetectionReasons : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(DetectionReasons, EachPortTriedIsReported) {
    const ReasonCase& c = GetParam();
    SimModemFixture sim(c.com2Present);
    if (c.com1Refused != PortFailure::None)
        sim.ports.Refuse("COM1", c.com1Refused);
    else
        sim.com1.AddFault(MakeFault(quorra::FaultKind::Silence));
    if (c.com2Present)
        sim.com2->AddFault(MakeFault(quorra::FaultKind::Silence));
    ModemLink link(sim.env);
    DetectionReport report;
    ASSERT_FALSE(FindModem(link, &report));
    ASSERT_EQ(report.size(), 2u);
    EXPECT_EQ(report[0].port, "COM1");
    EXPECT_EQ(report[0].device, "/dev/simCOM1");
    EXPECT_EQ(report[0].failure, c.com1Failure);
    EXPECT_FALSE(report[0].answered);
    EXPECT_EQ(report[1].port, "COM2");
    EXPECT_EQ(report[1].failure, c.com2Failure);

    const QString details = DescribeDetection(report);
    const QStringList lines = details.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << details.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("COM1（/dev/simCOM1）："))) << details.toStdString();
    EXPECT_TRUE(lines[0].contains(QString::fromUtf8(c.com1Words))) << details.toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("COM2（/dev/simCOM2）："))) << details.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Reasons, DetectionReasons,
                         ::testing::Values(ReasonCase{"Silent", PortFailure::None, false, PortFailure::None,
                                                      PortFailure::Absent, "没有回答“OK”"},
                                           ReasonCase{"Busy", PortFailure::Busy, true, PortFailure::Busy,
                                                      PortFailure::None, "其他程序"},
                                           ReasonCase{"NoPermission", PortFailure::NoPermission, false,
                                                      PortFailure::NoPermission, PortFailure::Absent, "dialout"},
                                           ReasonCase{"Absent", PortFailure::Absent, true, PortFailure::Absent,
                                                      PortFailure::None, "端口不存在"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(DetectionReport, APortWithoutDeviceAndTheAnsweringPort) {
    SimModemFixture sim(true);
    sim.RemoveCom1();
    ModemLink link(sim.env);
    DetectionReport report;
    ASSERT_TRUE(FindModem(link, &report));
    ASSERT_EQ(report.size(), 2u);
    EXPECT_EQ(report[0].failure, PortFailure::Absent);
    EXPECT_TRUE(report[1].answered);
    link.Close();

    // No serial port at all stands for the name: the line says so, without a device.
    const DetectionReport none{{"COM2", "", PortFailure::Absent, {}, false}};
    EXPECT_EQ(DescribeDetection(none), QStringLiteral("COM2：没有找到串口。"));
    const DetectionReport other{{"COM1", "/dev/ttyS0", PortFailure::Other, "Input/output error", false}};
    EXPECT_TRUE(DescribeDetection(other).contains(QStringLiteral("Input/output error")));
}

// A modem that answers every "AT" later than its wait: the late answers are read as the fixed waits
// read them, whether the waits end on replies or not. An answer that one wait missed must not end
// the next wait early, which would make the last "AT" miss its own answer by a hair.
struct LateCase {
    uint32_t lateMs;
    bool found;
    uint32_t elapsedMs;
};

class LateAnswers : public ::testing::TestWithParam<std::tuple<LateCase, bool>> {};

TEST_P(LateAnswers, AreTakenAsTheFixedWaitsTakeThem) {
    const auto& [c, fixedWaits] = GetParam();
    SimModemFixture sim;
    sim.ports.SetFixedWaits(fixedWaits);
    quorra::Fault late = MakeFault(quorra::FaultKind::Late, "AT");
    late.delayMs = c.lateMs;
    sim.com1.AddFault(late);
    ModemLink link(sim.env);
    const uint32_t start = sim.time.TickCount();
    EXPECT_EQ(FindModem(link), c.found);
    EXPECT_NEAR(double(sim.time.TickCount() - start), double(c.elapsedMs), 5.0);
}

INSTANTIATE_TEST_SUITE_P(Delays, LateAnswers,
                         ::testing::Combine(::testing::Values(LateCase{600, true, 2500}, LateCase{900, true, 2500},
                                                              LateCase{1100, true, 2500}, LateCase{1600, false, 3500}),
                                            ::testing::Bool()),
                         [](const auto& row) {
                             return std::to_string(std::get<0>(row.param).lateMs) + "ms" +
                                    (std::get<1>(row.param) ? "FixedWaits" : "ReplyEnds");
                         });

} // namespace
