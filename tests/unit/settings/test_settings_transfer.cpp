// SPDX-License-Identifier: GPL-3.0-or-later
// The settings transfer against the simulated modem on virtual time: what goes over the line, in
// which order, and where a refusal stops it.
#include "core/modem/ModemLink.h"
#include "core/settings/SettingsTransfer.h"
#include "support/SimModemFixture.h"

#include <gtest/gtest.h>

#include <tuple>

#include <string>
#include <vector>

namespace {

using Commands = std::vector<std::string>;

// Monday 7 December 2026, 22:38, as the dialog fills it.
ModemClock MondayEvening() {
    ModemClock clock;
    clock.weekday = 1;
    clock.month = "12";
    clock.day = "7";
    clock.year = "26";
    clock.hour = "10";
    clock.minute = "38";
    clock.pm = 1;
    return clock;
}

// Every setting at its default, with the entries the lists then show.
ModemSettings Defaults() {
    ModemSettings settings;
    settings.ringText = "4";
    settings.newNumText = "1";
    return settings;
}

// The thirteen commands of Defaults() and MondayEvening(), as the modem records them (without the
// carriage return).
const Commands kDefaultCommands = {
    "AT#RING=4",
    "AT#PASS=",
    "AT#TS=1",
    "AT#VSM=4",
    "AT#CS=1",
    "AT#FAX=1",
    "AT#FLID=\"\"",
    "AT&Z30=0,1",
    "AT#DATE=MON,12,7,26",
    "AT#TIME=10,38,30,PM",
    "AT&Z31=",
    "AT+VCID=0",
    "AT&W",
};

class SettingsTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(link.Open("COM1"));
        ASSERT_TRUE(link.Configure());
    }
    void TearDown() override { link.Close(); }
    // The port again, with the fixed waits after every command asked for or not.
    void Reopen(bool fixedWaits) {
        link.Close();
        sim.ports.SetFixedWaits(fixedWaits);
        ASSERT_TRUE(link.Open("COM1"));
        ASSERT_TRUE(link.Configure());
    }

    int Send(const ModemSettings& settings, const ModemClock& clock) {
        const uint32_t start = sim.time.TickCount();
        const int result = SendSettings(link, settings, clock);
        elapsedMs = sim.time.TickCount() - start;
        return result;
    }
    const Commands& Received() const { return sim.com1.Commands(); }

    SimModemFixture sim;
    ModemLink link{sim.env};
    uint32_t elapsedMs = 0;
};

TEST_F(SettingsTransferTest, DefaultsGiveTheDocumentedCommandsAndTheModemStoresThem) {
    EXPECT_EQ(Send(Defaults(), MondayEvening()), 0);
    EXPECT_EQ(Received(), kDefaultCommands);
    // Each command's wait ends with the modem's "OK".
    EXPECT_LT(elapsedMs, 200u);
    EXPECT_EQ(sim.com1.StoreCount(), 1);

    // With the fixed waits asked for, every command is given its full second, also when the modem
    // answers at once; the commands are the same.
    Reopen(true);
    EXPECT_EQ(Send(Defaults(), MondayEvening()), 0);
    Commands twice = kDefaultCommands;
    twice.insert(twice.end(), kDefaultCommands.begin(), kDefaultCommands.end());
    EXPECT_EQ(Received(), twice);
    EXPECT_GE(elapsedMs, 13000u);
    EXPECT_LT(elapsedMs, 13100u);
    EXPECT_EQ(sim.com1.StoreCount(), 2);
    EXPECT_EQ(sim.com1.StoredSetting("#DATE"), "MON,12,7,26");
    EXPECT_EQ(sim.com1.StoredSetting("#TIME"), "10,38,30,PM");
}

// One changed input and the one command it changes.
struct ValueCase {
    const char* name;
    void (*change)(ModemSettings&, ModemClock&);
    size_t index; // into kDefaultCommands
    std::string expected;
};

class SettingsTransferValues : public SettingsTransferTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(SettingsTransferValues, ChangeExactlyTheirCommand) {
    ModemSettings settings = Defaults();
    ModemClock clock = MondayEvening();
    GetParam().change(settings, clock);
    ASSERT_EQ(Send(settings, clock), 0);
    Commands expected = kDefaultCommands;
    expected[GetParam().index] = GetParam().expected;
    EXPECT_EQ(Received(), expected);
}

const ValueCase kValueCases[] = {
    {"RingSeven", [](ModemSettings& s, ModemClock&) { s.ringText = "7"; }, 0, "AT#RING=7"},
    {"Password", [](ModemSettings& s, ModemClock&) { s.pass = "0420"; }, 1, "AT#PASS=0420"},
    {"TollSaverOff", [](ModemSettings& s, ModemClock&) { s.ts = 0; }, 2, "AT#TS=0"},
    {"TollSaverOnlyOneCountsAsOn", [](ModemSettings& s, ModemClock&) { s.ts = 2; }, 2, "AT#TS=0"},
    {"MoreMessages", [](ModemSettings& s, ModemClock&) { s.vsm = 0; }, 3, "AT#VSM=2"},
    {"NeitherQualityButton", [](ModemSettings& s, ModemClock&) { s.vsm = -1; }, 3, "AT#VSM="},
    {"StoredQualityThree", [](ModemSettings& s, ModemClock&) { s.vsm = 3; }, 3, "AT#VSM="},
    {"MonitorOff", [](ModemSettings& s, ModemClock&) { s.cs = 0; }, 4, "AT#CS=0"},
    {"FaxReceptionOff", [](ModemSettings& s, ModemClock&) { s.fax = 0; }, 5, "AT#FAX=0"},
    // GBK bytes go out as they are: "测试" followed by "Fax".
    {"LocalIdInQuotes",
     [](ModemSettings& s, ModemClock&) {
         s.id = "\xB2\xE2\xCA\xD4"
                "Fax";
     },
     6,
     "AT#FLID=\"\xB2\xE2\xCA\xD4"
     "Fax\""},
    {"PagerOnWithCountNine",
     [](ModemSettings& s, ModemClock&) {
         s.bp = 1;
         s.newNumText = "9";
     },
     7, "AT&Z30=1,9"},
    // The count chosen in the list goes out, not the one loaded from the file.
    {"CountTextNotStoredNumber",
     [](ModemSettings& s, ModemClock&) {
         s.newNum = 5;
         s.newNumText = "3";
     },
     7, "AT&Z30=0,3"},
    {"MonthEmptied", [](ModemSettings&, ModemClock& c) { c.month.clear(); }, 8, "AT#DATE=MON,,7,26"},
    {"Sunday", [](ModemSettings&, ModemClock& c) { c.weekday = 0; }, 8, "AT#DATE=SUN,12,7,26"},
    {"Thursday", [](ModemSettings&, ModemClock& c) { c.weekday = 4; }, 8, "AT#DATE=THUR,12,7,26"},
    {"Saturday", [](ModemSettings&, ModemClock& c) { c.weekday = 6; }, 8, "AT#DATE=SAT,12,7,26"},
    {"WeekdayOutOfRange", [](ModemSettings&, ModemClock& c) { c.weekday = 7; }, 8, "AT#DATE=,12,7,26"},
    {"YearTwoThousand", [](ModemSettings&, ModemClock& c) { c.year = "00"; }, 8, "AT#DATE=MON,12,7,00"},
    {"Morning",
     [](ModemSettings&, ModemClock& c) {
         c.hour = "0";
         c.minute = "5";
         c.pm = 0;
     },
     9, "AT#TIME=0,5,30,AM"},
    {"PagerNumber", [](ModemSettings& s, ModemClock&) { s.bpNum = "13912345678"; }, 10, "AT&Z31=13912345678"},
    {"CallerIdOn", [](ModemSettings& s, ModemClock&) { s.callId = 1; }, 11, "AT+VCID=1"},
    {"CallerIdAnyNonZero", [](ModemSettings& s, ModemClock&) { s.callId = 2; }, 11, "AT+VCID=1"},
};

INSTANTIATE_TEST_SUITE_P(Commands, SettingsTransferValues, ::testing::ValuesIn(kValueCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

// A command that is not acknowledged within its second, in each of the ways a modem fails.
struct RefusalCase {
    size_t index; // into kDefaultCommands, 0 to 11
    quorra::FaultKind kind;
};

class SettingsTransferRefusals : public SettingsTransferTest,
                                 public ::testing::WithParamInterface<std::tuple<RefusalCase, bool>> {};

TEST_P(SettingsTransferRefusals, StopAtTheRefusedCommand) {
    const auto& [refusal, fixedWaits] = GetParam();
    Reopen(fixedWaits);
    quorra::Fault fault;
    fault.kind = refusal.kind;
    fault.command = kDefaultCommands[refusal.index].substr(0, kDefaultCommands[refusal.index].find('=') + 1);
    fault.delayMs = 1200; // for Late: the OK comes after the second is over
    sim.com1.AddFault(fault);

    EXPECT_EQ(Send(Defaults(), MondayEvening()), static_cast<int>(refusal.index) + 1);
    // Nothing after the refused command went out, so the modem was not told to store anything.
    const Commands expected(kDefaultCommands.begin(), kDefaultCommands.begin() + refusal.index + 1);
    EXPECT_EQ(Received(), expected);
    EXPECT_EQ(sim.com1.StoreCount(), 0);
    // With the fixed waits the failure is known one second after the refused command; otherwise
    // as soon as the refusal came, and a second after it at the latest.
    if (fixedWaits) {
        EXPECT_GE(elapsedMs, 1000u * (refusal.index + 1));
    }
    EXPECT_LT(elapsedMs, fixedWaits ? 1000u * (refusal.index + 1) + 100 : 1100u);
}

std::vector<RefusalCase> AllRefusals() {
    std::vector<RefusalCase> cases;
    for (size_t i = 0; i < 12; ++i)
        cases.push_back({i, quorra::FaultKind::Error});
    for (const size_t i : {size_t{1}, size_t{7}, size_t{11}}) {
        cases.push_back({i, quorra::FaultKind::NoAck});
        cases.push_back({i, quorra::FaultKind::Late});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EachPosition, SettingsTransferRefusals,
                         ::testing::Combine(::testing::ValuesIn(AllRefusals()), ::testing::Bool()),
                         [](const auto& testInfo) {
                             const RefusalCase& refusal = std::get<0>(testInfo.param);
                             const char* kind = refusal.kind == quorra::FaultKind::Error   ? "Error"
                                                : refusal.kind == quorra::FaultKind::NoAck ? "Silent"
                                                                                           : "Late";
                             return std::string(kind) + "At" + std::to_string(refusal.index + 1) +
                                    (std::get<1>(testInfo.param) ? "FixedWaits" : "ReplyEnds");
                         });

// Text values come from the dialog or from a hand-edited RERAVA.INI. A carriage return or another
// control character in one of them goes out as a blank: the modem still sees thirteen commands and
// nothing of a value runs as a command of its own.
TEST_F(SettingsTransferTest, ControlCharactersInValuesCannotStartAnotherCommand) {
    ModemSettings settings = Defaults();
    ModemClock clock = MondayEvening();
    settings.pass = "12\rATZ";
    settings.id = "A\r\nAT&F\x1b\x7f\xB2\xE2";
    settings.bpNum = "139\r";
    settings.ringText = "4\n";
    clock.minute = "38\rATH";
    ASSERT_EQ(Send(settings, clock), 0);
    Commands expected = kDefaultCommands;
    expected[0] = "AT#RING=4 ";
    expected[1] = "AT#PASS=12 ATZ";
    expected[6] = "AT#FLID=\"A  AT&F  \xB2\xE2\"";
    expected[9] = "AT#TIME=10,38 ATH,30,PM";
    expected[10] = "AT&Z31=139 ";
    EXPECT_EQ(Received(), expected);
    EXPECT_EQ(sim.com1.StoredSetting("#PASS"), "12 ATZ");
}

// A store the modem refuses or does not answer is a failed transfer (13, the thirteenth command), not
// "设置完成": nothing was stored.
TEST_F(SettingsTransferTest, AStoreNotAcknowledgedFailsTheTransfer) {
    for (const quorra::FaultKind kind : {quorra::FaultKind::Error, quorra::FaultKind::NoAck}) {
        quorra::Fault fault;
        fault.kind = kind;
        fault.command = "AT&W";
        fault.occurrence = 1;
        sim.com1.AddFault(fault);
        EXPECT_EQ(Send(Defaults(), MondayEvening()), 13);
        EXPECT_EQ(sim.com1.StoreCount(), 0);
        sim.com1.ClearFaults();
    }
    EXPECT_EQ(Send(Defaults(), MondayEvening()), 0);
    EXPECT_EQ(sim.com1.StoreCount(), 1);
}

TEST_F(SettingsTransferTest, ALinkWhosePortIsClosedFailsAtTheFirstCommand) {
    link.Close();
    EXPECT_EQ(Send(Defaults(), MondayEvening()), 1);
    EXPECT_TRUE(Received().empty());
}

TEST_F(SettingsTransferTest, ARepeatedTransferStartsAgainFromTheFirstCommand) {
    quorra::Fault fault;
    fault.kind = quorra::FaultKind::Error;
    fault.command = "AT#PASS=";
    fault.occurrence = 1;
    sim.com1.AddFault(fault);
    ASSERT_EQ(Send(Defaults(), MondayEvening()), 2);
    // Only the ring count has taken effect in the modem.
    EXPECT_EQ(sim.com1.PendingSetting("#RING"), "4");
    EXPECT_EQ(sim.com1.PendingSetting("#TS"), "");
    ASSERT_EQ(Send(Defaults(), MondayEvening()), 0);
    Commands expected = {"AT#RING=4", "AT#PASS="};
    expected.insert(expected.end(), kDefaultCommands.begin(), kDefaultCommands.end());
    EXPECT_EQ(Received(), expected);
    EXPECT_EQ(sim.com1.StoreCount(), 1);
}

} // namespace
