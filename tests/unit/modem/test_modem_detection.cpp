// SPDX-License-Identifier: GPL-3.0-or-later
// FindModem: COM1 then COM2, only the third "AT" counts, the answering port stays open.
#include "modem/ModemDetection.h"
#include "modem/ModemLink.h"
#include "support/SimModemFixture.h"

#include <gtest/gtest.h>

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
                          DetectCase{"FirstAnswerMissingStillCounts", true, 1, false, true, "COM1", 2500, 1507},
                          DetectCase{"ThirdAnswerMissing", true, 3, false, false, "", 3500, 2507},
                          DetectCase{"ThirdAnswerMissingOnCom1ButCom2Answers", true, 3, true, true, "COM2", 5000, 2517},
                          DetectCase{"OnlyOnCom2", false, 0, true, true, "COM2", 3500, 2010},
                          DetectCase{"Nowhere", false, 0, false, false, "", 2000, 2000}),
        ::testing::Bool()),
    [](const auto& row) {
        return std::string(std::get<0>(row.param).name) + (std::get<1>(row.param) ? "FixedWaits" : "ReplyEnds");
    });

} // namespace
