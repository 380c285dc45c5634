// SPDX-License-Identifier: GPL-3.0-or-later
// The modem link on the simulated port and virtual time: what each wait sees, how much it keeps,
// and how page data is unstuffed into the capture file.
#include "core/modem/ModemCommands.h"
#include "core/modem/ModemLink.h"
#include "support/SimModemFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace {

constexpr uint64_t kMs = 1000000;

struct Timed {
    uint32_t atMs; // after the start of the operation
    std::string bytes;
};

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(link.Open("COM1"));
        ASSERT_TRUE(link.Configure());
    }
    void Script(const std::vector<Timed>& stream) {
        for (const Timed& chunk : stream)
            sim.com1.SendRaw(chunk.bytes, sim.time.NowNs() + chunk.atMs * kMs);
    }
    uint32_t Now() const { return sim.time.TickCount(); }
    // The port again, with the fixed waits after every command asked for or not.
    void Reopen(bool fixedWaits) {
        link.Close();
        sim.ports.SetFixedWaits(fixedWaits);
        ASSERT_TRUE(link.Open("COM1"));
        ASSERT_TRUE(link.Configure());
        ASSERT_EQ(link.FixedWaits(), fixedWaits);
    }

    SimModemFixture sim;
    ModemLink link{sim.env};
};

// --- SendCommand: only what arrived within the wait counts -------------------------------------
// The wait ends as soon as a final result line has come whole, at the latest after its time; with
// the fixed waits asked for it always lasts its whole time. What is read is the same either way.

struct SendCase {
    const char* name;
    std::vector<Timed> stream;
    bool result;
    std::string replyText; // as a text, up to the first zero
    std::string lastRead;  // every byte read
    uint32_t endsMs;       // when the wait ends without the fixed waits
};

class SendCommandTable : public LinkTest, public ::testing::WithParamInterface<std::tuple<SendCase, bool>> {};

TEST_P(SendCommandTable, ReadsWhatArrivedWithinTheWait) {
    const auto& [c, fixedWaits] = GetParam();
    Reopen(fixedWaits);
    Script(c.stream);
    const uint32_t start = Now();
    EXPECT_EQ(link.SendCommand("", 500, false, false, true), c.result);
    if (fixedWaits)
        EXPECT_EQ(Now() - start, 500u) << "the wait is fixed, not cut short by an early reply";
    else
        EXPECT_NEAR(double(Now() - start), double(c.endsMs), 1.0) << "the wait ends with the reply";
    EXPECT_EQ(link.ReplyText(), c.replyText);
    EXPECT_EQ(link.LastRead(), c.lastRead);
    EXPECT_EQ(link.ReplyContains("OK"), c.replyText.find("OK") != std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SendCommandTable,
    ::testing::Combine(
        ::testing::Values(
            SendCase{"Silence", {}, false, "", "", 500},
            SendCase{"OkWithinTheWait", {{5, "\r\nOK\r\n"}}, true, "\r\nOK\r\n", "\r\nOK\r\n", 5},
            SendCase{"OkAfterTheWait", {{600, "\r\nOK\r\n"}}, false, "", "", 500},
            SendCase{"ZeroByteEndsTheText", {{5, "AB\0OK"s}}, true, "AB", "AB\0OK"s, 500},
            SendCase{"SplitAcrossTheDeadline", {{100, "\r\nO"}, {501, "K\r\n"}}, true, "\r\nO", "\r\nO", 500},
            // The OK line is whole only with its second part.
            SendCase{"SplitWithinTheWait", {{100, "\r\nO"}, {200, "K\r\n"}}, true, "\r\nOK\r\n", "\r\nOK\r\n", 200},
            SendCase{"OkWithoutItsLineEnd", {{5, "\r\nOK"}}, true, "\r\nOK", "\r\nOK", 500},
            // An echoed command may hold "OK"; only a line of its own ends the reply.
            SendCase{"EchoHoldingOk",
                     {{5, "AT#FLID=\"OK\"\r"}, {300, "\r\nOK\r\n"}},
                     true,
                     "AT#FLID=\"OK\"\r\r\nOK\r\n",
                     "AT#FLID=\"OK\"\r\r\nOK\r\n",
                     300},
            SendCase{"ErrorEndsTheReply", {{5, "\r\nERROR\r\n"}}, true, "\r\nERROR\r\n", "\r\nERROR\r\n", 5},
            SendCase{"ConnectWithItsSpeed",
                     {{5, "\r\nCONNECT 14400\r\n"}},
                     true,
                     "\r\nCONNECT 14400\r\n",
                     "\r\nCONNECT 14400\r\n",
                     5},
            SendCase{"ResultWordInsideALine", {{5, "\r\nOKAY\r\n"}}, true, "\r\nOKAY\r\n", "\r\nOKAY\r\n", 500}),
        ::testing::Bool()),
    [](const auto& row) {
        return std::string(std::get<0>(row.param).name) + (std::get<1>(row.param) ? "FixedWaits" : "ReplyEnds");
    });

TEST_F(LinkTest, BytesAfterTheReplyEndedAreTheNextRead) {
    Script({{5, "\r\nOK\r\n"}, {50, "\r\nRING\r\n"}});
    EXPECT_TRUE(link.SendCommand("", 500, false, false, true));
    EXPECT_EQ(link.ReplyText(), "\r\nOK\r\n");
    EXPECT_TRUE(link.SendCommand("", 500, false, false, true));
    EXPECT_EQ(link.ReplyText(), "\r\nRING\r\n");
}

TEST_F(LinkTest, TheModemsAnswerEndsTheCommandsWait) {
    const uint32_t start = Now();
    EXPECT_TRUE(link.SendCommand(modem::kAttention, 500, false, true, true));
    EXPECT_TRUE(link.ReplyContains(modem::kOk));
    EXPECT_LT(Now() - start, 10u);
    EXPECT_EQ(sim.com1.Commands(), std::vector<std::string>{"AT"});
}

TEST_F(LinkTest, AReplyAfterTheWaitIsReadByTheNextCall) {
    Reopen(true);
    Script({{600, "\r\nOK\r\n"}});
    EXPECT_FALSE(link.SendCommand(modem::kAttention, 500, false, true, true));
    EXPECT_TRUE(link.SendCommand("", 500, false, false, true));
    EXPECT_TRUE(link.ReplyContains("OK"));
    // The modem's own answer to the "AT" came early and is in the same read.
    EXPECT_EQ(link.ReplyText(), "\r\nOK\r\n\r\nOK\r\n");
}

TEST_F(LinkTest, ALongReplyNeverOverrunsTheBuffer) {
    Script({{1, std::string(10000, 'x')}});
    sim.time.Advance(2000); // the port's queue fills and the modem holds back the rest
    EXPECT_TRUE(link.SendCommand("", 0, false, false, false));
    EXPECT_LE(link.LastRead().size(), ModemLink::kMaxStoredReply);
    EXPECT_EQ(link.ReplyText().size(), link.LastRead().size());
    size_t total = link.LastRead().size();
    while (link.SendCommand("", 100, false, false, true))
        total += link.LastRead().size();
    EXPECT_EQ(total, 10000u) << "flow control loses nothing";
}

TEST_F(LinkTest, CapturedSendCommandWritesEveryByteRead) {
    testsupport::PageBytes captured;
    link.SetPageSink(&captured);
    Script({{1, "\x10\0\x7f"s}});
    ASSERT_TRUE(link.SendCommand(std::string(1, modem::kDC2), 50, true, true, true));
    EXPECT_EQ(captured.bytes, "\x10\0\x7f"s);
    EXPECT_EQ(captured.bytes.size(), 3u);
}

// --- WaitForText --------------------------------------------------------------------------------

struct TextCase {
    const char* name;
    std::vector<Timed> stream;
    bool found;
};

class WaitForTextTable : public LinkTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(WaitForTextTable, FindsTheText) {
    Script(GetParam().stream);
    EXPECT_EQ(link.WaitForText(1000, modem::kRing), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, WaitForTextTable,
    ::testing::Values(TextCase{"InOnePass", {{200, "\r\nRING\r\n"}}, true},
                      // "RI" and "NG" land in different 10 ms passes; a pass boundary must not hide it.
                      TextCase{"SplitAcrossPasses", {{200, "\r\nRI"}, {215, "NG\r\n"}}, true},
                      TextCase{"SplitOneByteAtATime", {{200, "R"}, {230, "I"}, {260, "N"}, {290, "G"}}, true},
                      TextCase{"AfterAZeroByte", {{200, "\0RING"s}}, true},
                      TextCase{"Absent", {{200, "\r\nRIN\r\nG"}}, false},
                      TextCase{"AfterTheDeadline", {{1200, "RING"}}, false}),
    [](const auto& row) { return std::string(row.param.name); });

// Line noise with a zero byte, and the text far behind it, all in one read (a fast line brings
// them together): the reply text ends at the zero byte, the text must still be found.
TEST_F(LinkTest, WaitForTextFindsItsTextFarBehindAZeroByteInTheSameRead) {
    sim.com1.Timing().bytesPerSecond = 100000000;
    Script({{200, "\0"s + std::string(100, 'x') + "RING" + std::string(100, 'x')}});
    EXPECT_TRUE(link.WaitForText(1000, modem::kRing));
}

TEST_F(LinkTest, WaitForTextGivesUpAtItsDeadlineWithoutSpinning) {
    const uint32_t start = Now();
    EXPECT_FALSE(link.WaitForText(5000, modem::kOk));
    EXPECT_GE(Now() - start, 5000u);
    EXPECT_LT(Now() - start, 5020u);
}

// --- WaitForOk ----------------------------------------------------------------------------------

struct OkCase {
    const char* name;
    std::vector<Timed> stream;
    bool result;
    uint32_t elapsedMs; // when it returns
    std::string replyText;
};

class WaitForOkTable : public LinkTest, public ::testing::WithParamInterface<OkCase> {};

TEST_P(WaitForOkTable, CollectsUpToTheOkLine) {
    const OkCase& c = GetParam();
    Script(c.stream);
    const uint32_t start = Now();
    EXPECT_EQ(link.WaitForOk(), c.result);
    EXPECT_NEAR(double(Now() - start), double(c.elapsedMs), 2.0);
    EXPECT_EQ(link.ReplyText(), c.replyText);
}

const std::string kReport = "\r\n+FCON\r\n\r\n+FTSI: \"1234\"\r\n\r\n+FDCS: 1,5,0,2,0,0,0,0\r\n\r\nOK\r\n";

INSTANTIATE_TEST_SUITE_P(
    Streams, WaitForOkTable,
    ::testing::Values(OkCase{"AnswerReport", {{300, kReport}}, true, 305, kReport},
                      OkCase{"StopsAtTheOkLine", {{10, "\r\nOK\r\nMORE"}}, true, 10, "\r\nOK\r\n"},
                      OkCase{"OkAndCarriageReturnOnly", {{10, "\r\nOK\r"}}, false, 5000, "\r\nOK\r"},
                      OkCase{"OkAndLineFeedOnly", {{10, "\r\nOK\n"}}, false, 5000, "\r\nOK\n"},
                      OkCase{"SomethingBetween", {{10, "\r\nOK \r\n"}}, false, 5000, "\r\nOK \r\n"},
                      OkCase{"Silence", {}, false, 5000, ""},
                      OkCase{"ZeroBytesEndTheText", {{10, "A\0B\r\nOK\r\n"s}}, true, 10, "A"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(LinkTest, WaitForOkStoresAtMost2999Bytes) {
    Script({{10, std::string(10000, 'A') + "\r\nOK\r\n"}});
    EXPECT_TRUE(link.WaitForOk()) << "bytes beyond the buffer still reach the matcher";
    EXPECT_EQ(link.ReplyText(), std::string(ModemLink::kMaxStoredReply, 'A'));
}

// --- CaptureData --------------------------------------------------------------------------------

struct CaptureCase {
    const char* name;
    std::string stream;
    bool result;
    std::string file;
};

class CaptureTable : public LinkTest, public ::testing::WithParamInterface<CaptureCase> {};

TEST_P(CaptureTable, UnstuffsIntoTheFile) {
    const CaptureCase& c = GetParam();
    testsupport::PageBytes captured;
    link.SetPageSink(&captured);
    Script({{5, c.stream}});
    EXPECT_EQ(link.CaptureData(), c.result);
    EXPECT_EQ(captured.bytes, c.file);
    EXPECT_EQ(captured.bytes.size(), c.file.size());
}

INSTANTIATE_TEST_SUITE_P(
    Pages, CaptureTable,
    ::testing::Values(CaptureCase{"DoubledDle", "\x41\x10\x10\x42\x10\x03", true, "\x41\x10\x42\x10"},
                      CaptureCase{"DleFirst", "\x10\x03", true, "\x10"},
                      CaptureCase{"DleAndOtherByte", "\x10\x41\x42\x10\x03", true, "\x10\x42\x10"},
                      CaptureCase{"ZeroBytesKept", "\0\0\x01\x10\x03"s, true, "\0\0\x01\x10"s},
                      CaptureCase{"NoEndKeepsWhatCame", "ABC", false, "ABC"},
                      CaptureCase{"FlushAt81920", std::string(81920, 'p') + "\x10\x03", true,
                                  std::string(81920, 'p') + "\x10"},
                      CaptureCase{"CutAfterAFlush", std::string(81925, 'q'), false, std::string(81925, 'q')}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(LinkTest, CaptureEndsAfterASecondOfSilence) {
    // While data flows the capture reads once per rest, so the end of a page is taken at most one
    // rest after it came.
    constexpr double kRest = ModemLink::kCaptureRestMs;
    testsupport::PageBytes captured;
    link.SetPageSink(&captured);
    // A pause of 900 ms in the middle of a page is still the same page.
    Script({{5, "AB"}, {905, "C\x10\x03"}});
    uint32_t start = Now();
    EXPECT_TRUE(link.CaptureData());
    EXPECT_NEAR(double(Now() - start), 905.0 + kRest / 2, kRest / 2 + 1);
    Script({{5, "D"}});
    start = Now();
    EXPECT_FALSE(link.CaptureData());
    EXPECT_NEAR(double(Now() - start), 5.0 + 1000 + kRest / 2, kRest / 2 + 1) << "a second without bytes ends the page";
    EXPECT_EQ(captured.bytes, "ABC\x10"
                              "D");
}

// At line speed the bytes come about one every 87 microseconds: the capture takes them in chunks,
// giving the pump control a few times per hundred bytes rather than once for every byte, and leaves
// what follows DLE ETX (the modem's OK) for the next wait.
TEST_F(LinkTest, ALongPageIsTakenInChunksAndTheOkAfterItIsLeft) {
    std::string page;
    for (int i = 0; i < 30000; ++i)
        page += static_cast<char>(i % 251 == 16 ? 0x11 : i % 251);
    page[1000] = 0x10; // one DLE in the data, which the modem doubles
    sim.com1.AddFax({"ID", true, {page}});
    testsupport::PageBytes captured;
    link.SetPageSink(&captured);
    link.SendCommand("ATG\r", 100, false, true, true);
    ASSERT_TRUE(link.WaitForText(5000, "RING"));
    link.SendCommand("ATA\r", 100, false, true, true);
    ASSERT_TRUE(link.WaitForOk());
    ASSERT_TRUE(link.SendCommand("AT+FDR\r", 1000, false, true, true) && link.ReplyContains("CONNECT"));
    link.SendCommand("\x12", 0, true, true, false);
    const uint64_t idlesBefore = sim.time.IdleCalls();
    EXPECT_TRUE(link.CaptureData());
    EXPECT_LT(sim.time.IdleCalls() - idlesBefore, page.size() / 50);
    EXPECT_TRUE(link.WaitForText(5000, "OK")) << "the OK after DLE ETX is still there";
    EXPECT_TRUE(captured.bytes == page + "\x10") << captured.bytes.size() << " bytes";
}

TEST_F(LinkTest, AFailedCaptureWriteIsReported) {
    testsupport::PageBytes captured;
    captured.refuse = true;
    link.SetPageSink(&captured);
    Script({{5, std::string(81920, 'z') + "\x10\x03"}});
    EXPECT_FALSE(link.CaptureData());
    EXPECT_EQ(captured.bytes.size(), 0u);
}

TEST_F(LinkTest, ThePortVanishingMidPageEndsTheCaptureAndKeepsWhatWasWritten) {
    sim.com1.AddFault({quorra::FaultKind::LineDrop, "\x12", 0, 0, {}, 90000});
    sim.com1.AddFax({"ID", true, {std::string(120000, 'w')}});
    testsupport::PageBytes captured;
    link.SetPageSink(&captured);
    link.SendCommand("ATG\r", 100, false, true, true);
    ASSERT_TRUE(link.WaitForText(5000, "RING"));
    link.SendCommand("ATA\r", 100, false, true, true);
    ASSERT_TRUE(link.WaitForOk());
    ASSERT_TRUE(link.SendCommand("AT+FDR\r", 1000, false, true, true) && link.ReplyContains("CONNECT"));
    link.SendCommand("\x12", 0, true, true, false);
    const uint32_t start = Now();
    EXPECT_FALSE(link.CaptureData());
    EXPECT_LT(Now() - start, 10000u);
    const std::string kept = captured.bytes;
    // All that came before the line went away, not only the staging buffer's first 81920 bytes. What
    // the port still held goes with it: at most the bytes of one rest between two reads.
    EXPECT_GE(kept.size(), 90000u - ModemLink::kCaptureRestMs * 12);
    EXPECT_LE(kept.size(), 90000u);
    EXPECT_EQ(kept.find_first_not_of('w'), std::string::npos);
    EXPECT_FALSE(link.Write("AT\r", 3));
    EXPECT_FALSE(link.PollInput());
}

// --- SerialPort ---------------------------------------------------------------------------------

TEST(SerialPortTest, AClosedOrAbsentPortFailsQuietly) {
    SimModemFixture sim;
    ModemLink link(sim.env);
    EXPECT_FALSE(link.Open("COM2")) << "nothing on COM2";
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(link.Configure());
    EXPECT_FALSE(link.Write("AT\r", 3));
    EXPECT_FALSE(link.ReadByte());
    EXPECT_EQ(link.LastByte(), 0);
    EXPECT_FALSE(link.PollInput());
    EXPECT_EQ(link.Pending(), 0u);
    EXPECT_FALSE(link.Close());
    EXPECT_FALSE(link.SendCommand(modem::kAttention, 500, false, true, true));
    EXPECT_FALSE(link.ReplyContains(modem::kOk));
}

TEST(SerialPortTest, APortIsOpenedExclusively) {
    SimModemFixture sim;
    ModemLink first(sim.env);
    ModemLink second(sim.env);
    ASSERT_TRUE(first.Open("COM1"));
    EXPECT_FALSE(second.Open("COM1"));
    EXPECT_FALSE(first.Open("COM1")) << "an open port is not opened again";
    EXPECT_TRUE(first.Close());
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(second.Open("COM1"));
    second.Close();
}

TEST(SerialPortTest, DelayWaitsItsTimeAlsoAcrossTheCounterWrap) {
    for (const uint32_t startTick : {1000u, 0xFFFFFF00u}) {
        VirtualTime time(startTick);
        SimSerialBackendFactory ports(time);
        ModemLink link(LinkEnvironment{time, time, ports});
        link.Delay(0);
        EXPECT_EQ(time.TickCount(), startTick);
        link.Delay(500);
        EXPECT_EQ(time.TickCount() - startTick, 500u);
        EXPECT_LE(time.IdleCalls(), 2u) << "a silent wait idles, it does not spin";
    }
}

TEST(SerialPortTest, PollAndReadByteOnAnEmptyQueue) {
    SimModemFixture sim;
    ModemLink link(sim.env);
    ASSERT_TRUE(link.Open("COM1"));
    EXPECT_FALSE(link.PollInput());
    EXPECT_EQ(link.Pending(), 0u);
    EXPECT_FALSE(link.ReadByte());
    EXPECT_EQ(link.LastByte(), 0);
    sim.com1.SendRaw("Z", sim.time.NowNs());
    sim.time.Advance(1);
    EXPECT_TRUE(link.PollInput());
    EXPECT_EQ(link.Pending(), 1u);
    EXPECT_TRUE(link.ReadByte());
    EXPECT_EQ(link.LastByte(), 'Z');
    link.Close();
}

} // namespace
