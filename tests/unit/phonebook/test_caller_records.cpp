// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/modem/ModemLink.h"
#include "core/phonebook/CallerRecords.h"
#include "core/platform/Gbk.h"
#include "support/SimModemFixture.h"
#include "support/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

using callerlog::FormatCallerRecord;

namespace {

constexpr uint64_t kNsPerMs = 1000000;

std::string Utf8(const std::string& gbkBytes) {
    return gbk::ToQString(gbkBytes).toStdString();
}

std::vector<std::string> Utf8(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines)
        out.push_back(Utf8(line));
    return out;
}

struct FormatCase {
    std::string value;
    std::string line; // UTF-8
    const char* name; // the row's name in the test's name
};

class FormatCallerRecordTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatCallerRecordTest, Line) {
    EXPECT_EQ(Utf8(FormatCallerRecord(GetParam().value)), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatCallerRecordTest,
    ::testing::Values(FormatCase{"8765432114300825", "08月25日14时30分\t\t来电号码：87654321", "NumberAndTime"},
                      FormatCase{"14300825", "08月25日14时30分\t\t来电号码：", "TimeOnly"},
                      FormatCase{"1234", "月日12时34分\t\t来电号码：", "FourCharacters"},
                      FormatCase{"123456", "56月日12时34分\t\t来电号码：", "SixCharacters"},
                      FormatCase{"1234567", "56月7日12时34分\t\t来电号码：", "SevenCharacters"},
                      FormatCase{"9", "月日9时分\t\t来电号码：", "OneCharacter"},
                      FormatCase{"P12345678", "56月78日12时34分\t\t来电号码：P", "NineCharacters"}),
    [](const ::testing::TestParamInfo<FormatCase>& row) { return std::string(row.param.name); });

// A listing in a file, read with the profile rules.
TEST(CallerListingFile, OnlyTheFifteenKeysOfTheSectionInKeyOrder) {
    const std::string path = testsupport::MakeTempDir() + "TAM0001.TMP";
    testsupport::WriteFile(path, "AT&V\r\r\n"
                                 "[SETTINGS]\r\n0F=11111111111111\r\n"
                                 "[telephone numbers]\r\n"
                                 "1d=5550102\t09150102  \r\n"
                                 "0E=11112222333300\r\n"
                                 "0f = 55512312000101\r\n"
                                 "10=\r\n"
                                 "1E=99990000000000\r\n"
                                 "1A=4445\r\n"
                                 "OK\r\n");
    EXPECT_EQ(Utf8(callerlog::RecordsOfListingFile(path)),
              (std::vector<std::string>{"01月01日12时00分\t\t来电号码：555123", "月日44时45分\t\t来电号码：",
                                        "01月02日09时15分\t\t来电号码：5550102\t"}));
}

// A link already open on the simulated modem, as the dialog has it after the detection; temporary
// files go to a folder of the test's own.
struct CallerFetchTest : ::testing::Test {
    CallerFetchTest() : tempDir(testsupport::MakeTempDir()) {
        EXPECT_TRUE(link.Open("COM1"));
        EXPECT_TRUE(link.Configure());
    }
    ~CallerFetchTest() override { link.Close(); }

    // The modem ignores "AT&V"; `listing` comes instead, `afterMs` after now.
    void ScriptListing(const std::string& listing, uint32_t afterMs) {
        sim.com1.AddFault(MakeFault(quorra::FaultKind::NoAck, "AT&V"));
        sim.com1.SendRaw(listing, sim.time.NowNs() + afterMs * kNsPerMs);
    }

    std::vector<std::string> Fetch() { return Utf8(callerlog::ReadCallerRecords(link, tempDir)); }

    bool TempDirIsEmpty() const { return QDir(QString::fromStdString(tempDir)).isEmpty(); }

    std::string tempDir;
    SimModemFixture sim;
    ModemLink link{sim.env};
};

TEST_F(CallerFetchTest, ReadsTheModemsLogAndDeletesTheTemporaryFile) {
    sim.com1.AddCall({"87654321", "14300825"});
    sim.com1.AddCall({"010555", "23591231"});
    EXPECT_EQ(Fetch(), (std::vector<std::string>{"08月25日14时30分\t\t来电号码：87654321",
                                                 "12月31日23时59分\t\t来电号码：010555"}));
    EXPECT_EQ(sim.com1.Commands(), std::vector<std::string>{"AT&V"});
    EXPECT_TRUE(TempDirIsEmpty());
}

TEST_F(CallerFetchTest, AModemThatAnswersAtOnceStillShowsItsRecords) {
    // The whole listing arrives within the command's own 100 ms.
    sim.com1.Timing().listingDelayMs = 20;
    sim.com1.AddCall({"87654321", "14300825"});
    const uint32_t start = sim.time.TickCount();
    EXPECT_EQ(Fetch(), std::vector<std::string>{"08月25日14时30分\t\t来电号码：87654321"});
    // Its "OK" line came with it: no five-second wait for another.
    EXPECT_LT(sim.time.TickCount() - start, 1000u);
}

TEST_F(CallerFetchTest, AListingSplitAcrossTheFirstReadIsJoined) {
    // The section header inside the first 100 ms, the records after it.
    ScriptListing("\r\n[TELEPHONE NUMBERS]\r\n0F=876543211430", 50);
    sim.com1.SendRaw("0825\r\n10=55501021231\r\nOK\r\n", sim.time.NowNs() + 400 * kNsPerMs);
    EXPECT_EQ(Fetch(), (std::vector<std::string>{"08月25日14时30分\t\t来电号码：87654321",
                                                 "12月31日01时02分\t\t来电号码：555"}));
}

TEST_F(CallerFetchTest, SilenceGivesAnEmptyListAfterFiveSeconds) {
    sim.com1.AddFault(MakeFault(quorra::FaultKind::NoAck, "AT&V"));
    const uint32_t start = sim.time.TickCount();
    EXPECT_TRUE(Fetch().empty());
    EXPECT_GE(sim.time.TickCount() - start, 5100u);
    EXPECT_TRUE(TempDirIsEmpty());
}

TEST_F(CallerFetchTest, ACutOffListingIsUsedAsFarAsItCame) {
    ScriptListing("\r\n[TELEPHONE NUMBERS]\r\n0F=8765432114300825\r\n10=1234", 300);
    EXPECT_EQ(Fetch(),
              (std::vector<std::string>{"08月25日14时30分\t\t来电号码：87654321", "月日12时34分\t\t来电号码："}));
}

TEST_F(CallerFetchTest, BadListingsGiveWhatTheRulesGive) {
    // Thousands of bytes before the section (only 2999 are kept), binary bytes, a zero byte
    // and an over-long value.
    std::string listing = "\r\n[SETTINGS]\r\n";
    for (int i = 0; i < 400; ++i)
        listing += "X" + std::to_string(i) + "=0123456789\r\n";
    listing += "[TELEPHONE NUMBERS]\r\n0F=1\r\nOK\r\n";
    ScriptListing(listing, 300);
    EXPECT_TRUE(Fetch().empty());

    using namespace std::string_literals;
    sim.com1.SendRaw("\r\n[TELEPHONE NUMBERS]\r\n0F=\x01\xFF\x80\x7F"
                     "12345678\r\n10="s +
                         std::string(400, '9') + "\r\n11=555\0"s + "12345678\r\n12=87654321\r\nOK\r\n",
                     sim.time.NowNs() + 300 * kNsPerMs);
    const std::vector<std::string> lines = callerlog::ReadCallerRecords(link, tempDir);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 4), "\x01\xFF\x80\x7F");
    // 254 bytes come back: 246 of number, 8 of time.
    EXPECT_EQ(Utf8(lines[1]), "99月99日99时99分\t\t来电号码：" + std::string(246, '9'));
    // The zero byte ends the text: what follows it is lost.
    EXPECT_EQ(Utf8(lines[2]), "月日55时5分\t\t来电号码：");
}

TEST_F(CallerFetchTest, NoTemporaryFileMeansNothingSentAndNoLines) {
    sim.com1.AddCall({"87654321", "14300825"});
    EXPECT_TRUE(callerlog::ReadCallerRecords(link, tempDir + "missing/").empty());
    EXPECT_TRUE(sim.com1.Commands().empty());
}

TEST(CallerListingJoin, EachPartCountsUpToItsFirstZero) {
    using namespace std::string_view_literals;
    EXPECT_EQ(callerlog::JoinListing("ab\0cd"sv, "ef"sv), "abef");
    EXPECT_EQ(callerlog::JoinListing(""sv, "ef\0g"sv), "ef");
}

} // namespace
