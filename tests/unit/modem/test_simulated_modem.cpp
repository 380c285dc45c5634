// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated Quorra modem answers the command set as the program relies on it; driven through
// the real modem link on virtual time.
#include "core/modem/ModemCommands.h"
#include "core/modem/ModemLink.h"
#include "support/SimModemFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace std::string_literals;

namespace {

class SimulatedModem : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(link.Open("COM1")); }
    void TearDown() override { link.Close(); }

    bool Acked(std::string_view command, uint32_t waitMs = 1000) {
        return link.SendCommand(command, waitMs, false, true, true) && link.ReplyContains(modem::kOk);
    }
    // "ATG" answered by "RING", then "ATA": the answer report, "no RING" when none came.
    std::string AnswerNextFax() {
        link.SendCommand(modem::kNextFax, 100, false, true, true);
        if (!link.WaitForText(10000, modem::kRing))
            return "no RING";
        link.SendCommand(modem::kAnswer, 100, false, true, true);
        EXPECT_TRUE(link.WaitForOk());
        return link.ReplyText();
    }
    // One page: "AT+FDR" answered CONNECT, DC2, the data up to DLE ETX, then the "OK". The capture
    // keeps the DLE of the closing DLE ETX as its last byte. `busyMs`: the program does something
    // else this long after the DC2 while the page streams in.
    std::string FetchPage(uint32_t busyMs = 0) {
        if (!link.SendCommand(modem::kReceivePage, 1000, false, true, true) || !link.ReplyContains(modem::kConnect))
            return "no CONNECT";
        testsupport::PageBytes captured;
        link.SetPageSink(&captured);
        link.SendCommand(std::string(1, modem::kDC2), 0, true, true, false);
        sim.time.Advance(busyMs);
        const bool complete = link.CaptureData();
        if (!complete)
            return "cut";
        EXPECT_TRUE(link.WaitForText(5000, modem::kOk));
        return captured.bytes;
    }

    SimModemFixture sim;
    ModemLink link{sim.env};
};

TEST_F(SimulatedModem, PresenceEchoAndUnknownCommands) {
    EXPECT_TRUE(link.SendCommand(modem::kAttention, 500, false, true, true));
    EXPECT_EQ(link.ReplyText(), "\r\nOK\r\n") << "no echo by default";
    EXPECT_TRUE(Acked("ATE1\r"));
    EXPECT_TRUE(link.SendCommand(modem::kAttention, 500, false, true, true));
    EXPECT_EQ(link.ReplyText(), "AT\r\r\nOK\r\n");
    EXPECT_TRUE(Acked("ATE0\r"));
    EXPECT_TRUE(link.SendCommand("AT+BOGUS\r", 500, false, true, true));
    EXPECT_EQ(link.ReplyText(), "\r\nERROR\r\n");
    EXPECT_FALSE(link.ReplyContains(modem::kOk));
}

TEST_F(SimulatedModem, PlaysBackStoredFaxesPageByPage) {
    const std::string page1 = "\x00\x10\x01\x80page one\x10"s;
    const std::string page2 = "page two";
    sim.com1.AddFax({"0755 1234", true, {page1, page2}});
    sim.com1.AddFax({"OTHER", false, {"only page"}});
    for (std::string_view setup : {modem::kFaxClass2, modem::kEnableReception, modem::kDirectBitOrder,
                                   modem::kQueryCapabilities, modem::kSessionParameters})
        EXPECT_TRUE(Acked(setup)) << setup;

    const std::string report = AnswerNextFax();
    EXPECT_NE(report.find("+FTSI: \"0755 1234\""), std::string::npos) << report;
    EXPECT_NE(report.find("+FDCS: 1,5,0,2,0,0,0,0"), std::string::npos) << report;
    EXPECT_LT(report.find("FTSI"), report.find("+FDCS")) << "the identification comes before the DCS";
    EXPECT_EQ(FetchPage(), page1 + "\x10");
    EXPECT_EQ(FetchPage(), page2 + "\x10");
    EXPECT_EQ(FetchPage(), "no CONNECT");
    EXPECT_EQ(sim.com1.FaxesLeft(), 1u);

    EXPECT_NE(AnswerNextFax().find("+FDCS: 0,"), std::string::npos);
    EXPECT_EQ(FetchPage(), "only page\x10");
    EXPECT_EQ(FetchPage(), "no CONNECT");

    EXPECT_EQ(AnswerNextFax(), "no RING") << "after the last fax";
    for (std::string_view back : {modem::kDataClass, modem::kHangUp, modem::kReset})
        EXPECT_TRUE(Acked(back, 100));
    EXPECT_EQ(sim.com1.FaxClass(), 0);
}

TEST_F(SimulatedModem, FlowControlLosesNoPageByteWhileTheProgramIsBusy) {
    std::string page;
    for (int i = 0; i < 30000; ++i)
        page.push_back(static_cast<char>(i * 7));
    sim.com1.AddFax({"X", true, {page}});
    AnswerNextFax();
    EXPECT_TRUE(FetchPage(3000) == page + "\x10");
}

TEST_F(SimulatedModem, SettingsAreKeptAndStoredByAmpW) {
    for (std::string_view command : {"AT#RING=4\r", "AT#PASS=\r", "AT#FLID=\"\"\r", "AT#DATE=MON,12,7,26\r",
                                     "AT#TIME=10,38,30,PM\r", "AT+VCID=0\r", "AT&Z30=0,1\r", "AT&Z31=\r"})
        EXPECT_TRUE(Acked(command)) << command;
    EXPECT_EQ(sim.com1.PendingSetting("#RING"), "4");
    EXPECT_EQ(sim.com1.StoredSetting("#RING"), "") << "not stored before AT&W";
    EXPECT_EQ(sim.com1.Slot(30), "0,1");
    EXPECT_TRUE(Acked(modem::kStoreConfiguration));
    EXPECT_EQ(sim.com1.StoredSetting("#RING"), "4");
    EXPECT_EQ(sim.com1.StoredSetting("#FLID"), "\"\"");
    EXPECT_EQ(sim.com1.StoredSetting("#DATE"), "MON,12,7,26");
    EXPECT_EQ(sim.com1.StoreCount(), 1);
    EXPECT_EQ(sim.com1.Commands().front(), "AT#RING=4");
    EXPECT_EQ(sim.com1.Commands().back(), "AT&W");
}

TEST_F(SimulatedModem, NumberedSlots) {
    EXPECT_TRUE(Acked("AT&Z0=87654321\r"));
    EXPECT_TRUE(Acked("AT&Z78=ZHANG\r"));
    EXPECT_TRUE(Acked("AT&Z5=\r"));
    EXPECT_FALSE(Acked("AT&Z100=1\r"));
    EXPECT_FALSE(Acked("AT&Z=1\r"));
    EXPECT_EQ(sim.com1.Slot(0), "87654321");
    EXPECT_EQ(sim.com1.Slot(78), "ZHANG");
}

TEST_F(SimulatedModem, CallerListingComesAfterTheFirst100MsAndEndsWithOk) {
    sim.com1.AddCall({"87654321", "14300825"});
    sim.com1.AddCall({"010", "09150102"});
    EXPECT_FALSE(link.SendCommand(modem::kCallerListing, 100, false, true, true));
    ASSERT_TRUE(link.WaitForOk());
    const std::string listing = link.ReplyText();
    EXPECT_NE(listing.find("\r\n[TELEPHONE NUMBERS]\r\n0F=8765432114300825\r\n10=01009150102\r\n11=\r\n"),
              std::string::npos)
        << listing;
    EXPECT_NE(listing.find("1D=\r\n"), std::string::npos);
    EXPECT_EQ(listing.find("1E="), std::string::npos);
}

TEST_F(SimulatedModem, ScriptedFaults) {
    using quorra::FaultKind;
    sim.com1.AddFault({FaultKind::NoAck, "AT#PASS=", 2, 0, {}, 0});
    sim.com1.AddFault({FaultKind::Late, "AT#TS=", 0, 1500, {}, 0});
    sim.com1.AddFault({FaultKind::Error, "AT#CS=", 0, 0, {}, 0});
    sim.com1.AddFault({FaultKind::Garbage, "AT#FAX=", 0, 0, "\xff\0\x81"s, 0});
    EXPECT_TRUE(Acked("AT#PASS=1\r"));
    EXPECT_FALSE(Acked("AT#PASS=2\r")) << "the second one is ignored";
    EXPECT_EQ(sim.com1.PendingSetting("#PASS"), "1");
    EXPECT_FALSE(Acked("AT#TS=1\r")) << "answered after the wait";
    EXPECT_TRUE(link.SendCommand("", 1000, false, false, true) && link.ReplyContains(modem::kOk));
    EXPECT_FALSE(Acked("AT#CS=1\r"));
    EXPECT_TRUE(link.SendCommand("AT#FAX=1\r", 1000, false, true, true));
    EXPECT_EQ(link.LastRead(), "\xff\0\x81\r\nOK\r\n"s);

    sim.com1.AddFault({FaultKind::Silence, "ATH", 0, 0, {}, 0});
    EXPECT_FALSE(Acked("ATH\r"));
    EXPECT_FALSE(Acked("AT\r")) << "silent from then on";
}

TEST_F(SimulatedModem, APageCutShortHasNoEnd) {
    sim.com1.AddFault({quorra::FaultKind::CutPage, "\x12", 1, 0, {}, 3});
    sim.com1.AddFax({"X", true, {"ABCDEF"}});
    AnswerNextFax();
    EXPECT_EQ(FetchPage(), "cut");
}

// A reply cut short, endless chatter, and the modem switched off and on again.
TEST_F(SimulatedModem, CutRepliesEndlessDataAndARestart) {
    using quorra::FaultKind;
    sim.com1.AddFault({FaultKind::CutPage, "AT#RING=", 0, 0, {}, 3});
    EXPECT_TRUE(link.SendCommand("AT#RING=4\r", 1000, false, true, true));
    EXPECT_EQ(link.LastRead(), "\r\nO") << "the start of the answer and nothing after it";

    // The cut answer leaves the rest of it owed, so the next wait lasts its whole time and reads the
    // port once at its end, as the fixed waits do: as much as the input queue holds.
    sim.com1.AddFault({FaultKind::Endless, "AT&V", 0, 0, "ab", 0});
    uint32_t start = sim.time.TickCount();
    EXPECT_TRUE(link.SendCommand("AT&V\r", 1000, false, true, true));
    EXPECT_EQ(sim.time.TickCount() - start, 1000u);
    EXPECT_EQ(link.LastRead().size(), SimWire::kInputQueue) << "as much as the input queue holds";
    EXPECT_EQ(link.LastRead().substr(0, 6), "ababab");
    EXPECT_FALSE(Acked("AT\r")) << "nothing but the endless data";

    sim.com1.AddFault({FaultKind::LineDrop, "ATH", 0, 0, {}, 0});
    sim.com1.ClearFaults();
    EXPECT_TRUE(Acked("AT\r"));
    EXPECT_TRUE(Acked("ATH\r")) << "the faults are gone";

    link.Close();
    sim.ports.Wire("COM1")->RefuseOpen(true);
    EXPECT_FALSE(link.Open("COM1")) << "no permission";
    sim.ports.Wire("COM1")->RefuseOpen(false);
    EXPECT_TRUE(link.Open("COM1"));

    // On a port opened afresh nothing is owed: the wait reads as the bytes come, never completes a
    // reply, ends after its second and keeps as much as the reply buffer holds.
    sim.com1.AddFault({FaultKind::Endless, "AT&V", 0, 0, "ab", 0});
    start = sim.time.TickCount();
    EXPECT_TRUE(link.SendCommand("AT&V\r", 1000, false, true, true));
    EXPECT_EQ(sim.time.TickCount() - start, 1000u);
    EXPECT_EQ(link.LastRead().size(), SerialPort::kMaxReadCount) << "as much as the reply buffer holds";
}

// What the modem sends after `bytes` arrive at `nowNs`, cut where the line pauses for a millisecond
// or more; `nowNs` moves on to the last byte.
std::vector<std::string> Writes(quorra::QuorraModem& modem, std::string_view bytes, uint64_t& nowNs) {
    modem.Receive(bytes, nowNs);
    std::vector<std::string> writes;
    uint64_t last = 0;
    while (const std::optional<uint64_t> next = modem.NextOutputNs()) {
        std::string byte;
        if (modem.TakeOutput(*next, 1, byte) == 0)
            continue;
        if (writes.empty() || *next - last >= 1000000)
            writes.emplace_back();
        writes.back() += byte;
        last = nowNs = *next;
    }
    return writes;
}

std::string Coded(const char* name) {
    return testsupport::ReadFile(std::string(FAXDESK_TEST_DATA_DIR) + "/pages/" + name + ".g3");
}

// The strict modem: the lines the program needs and nothing else, each a write of its own, the
// identification unpadded, the page without its RTC.
TEST(StrictSimulatedModem, AnswersWithTheLeastItPromisesEachLineOnItsOwn) {
    quorra::QuorraModem modem;
    modem.SetStrict(true);
    const std::string page = Coded("checker");
    modem.AddFax({"     +86 10 1234", true, {page}});
    uint64_t now = 0;
    using Lines = std::vector<std::string>;
    EXPECT_EQ(Writes(modem, "ATG\r", now), (Lines{"\r\nOK\r\n", "\r\nRING\r\n"}));
    EXPECT_EQ(Writes(modem, "ATA\r", now),
              (Lines{"\r\n+FTSI: \"+86 10 1234\"\r\n", "\r\n+FDCS: 1,5,0,2,0,0,0,0\r\n", "\r\nOK\r\n"}));
    EXPECT_EQ(Writes(modem, "AT+FDR\r", now), (Lines{"\r\nCONNECT\r\n"}));
    const std::string withoutRtc = quorra::WithoutRtc(page);
    ASSERT_LT(withoutRtc.size(), page.size());
    std::string sent;
    for (const char c : withoutRtc)
        sent += c == '\x10' ? "\x10\x10"s : std::string(1, c);
    EXPECT_EQ(Writes(modem, "\x12", now), (Lines{sent + "\x10\x03", "\r\nOK\r\n"}));
    EXPECT_EQ(Writes(modem, "AT+FDR\r", now), (Lines{"\r\nOK\r\n"})) << "no \"+FHNG\"";
    EXPECT_EQ(modem.FaxesLeft(), 0u);
}

TEST(SimulatedModemPages, SplitsAtEachRtc) {
    // EOL = 000000000001; six in a row end a page. 0x00 0x10 0x01 holds 11 zeros, a one, then 0x001
    // again: build 6 EOLs as 9 bytes (72 bits = 6 x 12).
    const std::string rtc = "\x00\x10\x01\x00\x10\x01\x00\x10\x01"s;
    const std::string line = "\x00\x0d\x5a"s; // a fill bit, an EOL and some data bits
    const std::string page1 = line + line + rtc;
    const std::string page2 = line + rtc;
    EXPECT_EQ(quorra::SplitPagesAtRtc(page1 + page2), (std::vector<std::string>{page1, page2}));
    EXPECT_EQ(quorra::SplitPagesAtRtc(page1 + "\0\0"s), (std::vector<std::string>{page1 + "\0\0"s}))
        << "trailing fill is no page of its own";
    EXPECT_EQ(quorra::SplitPagesAtRtc(line), (std::vector<std::string>{line})) << "no RTC: one page";
    // A seventh EOL in the run (the last line's own) still belongs to the page.
    const std::string seven = line + rtc + "\x00\x10\x01"s.substr(0, 2) + "\x00"s;
    EXPECT_EQ(quorra::SplitPagesAtRtc(seven).size(), 1u);
    const std::string page = testsupport::ReadFile(std::string(FAXDESK_TEST_DATA_DIR) + "/sim/page.t4");
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(quorra::SplitPagesAtRtc(page), (std::vector<std::string>{page})) << "pbmtog3's page is one page";
    EXPECT_EQ(quorra::SplitPagesAtRtc(page + page), (std::vector<std::string>{page, page}));

    // Pages as each coder ends them, one after the other in one file: split where each ends.
    const std::vector<std::string> pages = {Coded("text-fine"), Coded("black-line"), Coded("black-line-fill"),
                                            Coded("text-normal-efix"), Coded("nearly-blank-gs")};
    EXPECT_EQ(quorra::SplitPagesAtRtc(pages[0] + pages[1] + pages[2] + pages[3] + pages[4]), pages);
    // efix's stray bits after its RTC are no page of their own.
    EXPECT_EQ(quorra::SplitPagesAtRtc(Coded("checker-efix")), (std::vector<std::string>{Coded("checker-efix")}));
}

} // namespace
