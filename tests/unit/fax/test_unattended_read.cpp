// SPDX-License-Identifier: GPL-3.0-or-later
// The read command without a window (the command line's read and the automatic reading), against
// the simulated modem on virtual time: what it tells while it runs, the outcome it hands back,
// the records it leaves, and the exit status and summary each outcome gives the command line.
#include "core/fax/FaxReader.h"
#include "core/fax/ReadReport.h"
#include "core/platform/ProfileFile.h"
#include "support/SimModemFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <functional>
#include <string>

namespace {

std::string Page(const char* name) {
    return testsupport::ReadFile(std::string(FAXDESK_TEST_DATA_DIR) + "/pages/" + name + ".g3");
}

struct QuietReadCase {
    const char* name;
    std::function<void(SimModemFixture&)> setUp;
    int result;
    int exitStatus;
    int records;
    const char* summaryStart;
};

class QuietRead : public ::testing::TestWithParam<QuietReadCase> {};

TEST_P(QuietRead, TellsItsProgressAndLeavesTheRecords) {
    const QuietReadCase& c = GetParam();
    SimModemFixture sim;
    c.setUp(sim);
    const std::string programDir = testsupport::MakeTempDir();
    SystemWallClock wallClock;
    FaxReader reader(sim.env, wallClock, programDir, testsupport::MakeTempDir());
    const FaxRecordStore& store = reader.Store();

    QStringList lines;
    const retrieval::ReadProgress progress{
        [&](const QString& text) { lines << text; },
        [&](const retrieval::RecordedFax& fax) { lines << retrieval::FaxLine(int(lines.size()), fax); }};
    // As the command line and the automatic reading read: without the repeated first text.
    const retrieval::ReadOutcome outcome = reader.Read(retrieval::WithoutRepeats(progress));

    EXPECT_EQ(outcome.result.Code(), c.result);
    EXPECT_EQ(retrieval::ExitStatusOf(outcome.result), c.exitStatus);
    EXPECT_EQ(int(outcome.faxes.size()), c.records);
    EXPECT_EQ(profile::GetInt(store.IniPath(), "FAX", "NUM", 0), c.records);
    // Detection first, each text once in a row, the idle text last.
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.front(), retrieval::kDetectingText.toString());
    EXPECT_EQ(lines.back(), retrieval::kIdleText.toString());
    for (qsizetype i = 1; i < lines.size(); ++i)
        EXPECT_NE(lines[i], lines[i - 1]) << lines[i].toStdString();
    const QString summary = retrieval::SummaryText(outcome);
    EXPECT_TRUE(summary.startsWith(QString::fromUtf8(c.summaryStart))) << summary.toStdString();
    EXPECT_EQ(summary.count(u'\n'), 1 + c.records);
    // The port is free again.
    ModemLink next(sim.env);
    if (c.result != retrieval::kNoModem) {
        EXPECT_TRUE(next.Open("COM1"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, QuietRead,
    ::testing::Values(
        QuietReadCase{"TwoFaxes",
                      [](SimModemFixture& sim) {
                          sim.com1.AddFax({"     +86 10 87654321", true, {Page("checker")}});
                          sim.com1.AddFax({"A\r\nB", false, {Page("text-normal-fill"), Page("black-line")}});
                      },
                      retrieval::kSuccess, retrieval::kExitRead, 2, "读取传真成功！共 2 份传真。"},
        QuietReadCase{"NoFax", [](SimModemFixture&) {}, retrieval::kNoStoredFax, retrieval::kExitNoFax, 0,
                      "没有存储传真！"},
        QuietReadCase{"NoModem", [](SimModemFixture& sim) { sim.RemoveCom1(); }, retrieval::kNoModem,
                      retrieval::kExitNoModem, 0, "检测调制解调器失败！"},
        QuietReadCase{"SetUpRefused",
                      [](SimModemFixture& sim) {
                          sim.com1.AddFax({"1", true, {Page("checker")}});
                          sim.com1.AddFault(MakeFault(quorra::FaultKind::Error, "AT+FCLASS=2"));
                      },
                      retrieval::kNoFaxClass, retrieval::kExitSetUpFailed, 0, "传真读取失败！调制解调器不接受"},
        QuietReadCase{"SecondFaxCutShort",
                      [](SimModemFixture& sim) {
                          sim.com1.AddFax({"1", true, {Page("checker")}});
                          sim.com1.AddFax({"2", true, {Page("checker")}});
                          sim.com1.AddFault(MakeFault(quorra::FaultKind::CutPage, "\x12", 2, 100));
                      },
                      retrieval::kPageNotEnded + 2, retrieval::kExitFailedAtFax + 2, 1,
                      "传真读取失败！第 2 份传真读取失败（结果代码 11），之前的 1 份传真已保存。"}),
    [](const ::testing::TestParamInfo<QuietReadCase>& param) { return std::string(param.param.name); });

TEST(QuietRead, ExitStatusesOfTheResults) {
    using namespace retrieval;
    const std::pair<ReadResult, int> cases[] = {{{kSuccess, 0}, 0},
                                                {{kNoModem, 0}, 3},
                                                {{kNoFaxClass, 0}, 4},
                                                {{kNoSessionParameters, 0}, 4},
                                                {{kNoStoredFax, 0}, 2},
                                                {{kNoAnswerReport, 1}, 11},
                                                {{kPageNotEnded, 1}, 11},
                                                {{kNotSaved, 1}, 11},
                                                {{kNoAnswerReport, 2}, 12},
                                                {{kPageNotEnded, 2}, 12},
                                                {{kNoAnswerReport, 123}, 133},
                                                {{kNoAnswerReport, 247}, 255},
                                                {{kUnrecordablePath, 0}, 6}};
    for (const auto& [result, status] : cases)
        EXPECT_EQ(ExitStatusOf(result), status) << result.Code() << " at fax " << result.fax;
}

TEST(QuietRead, SummaryKeepsEachFaxOnOneLine) {
    retrieval::ReadOutcome outcome;
    outcome.faxes.push_back({QStringLiteral("A\r\n[FAX]\tB"), 3, QStringLiteral("/p/20240305140709.TIF")});
    EXPECT_EQ(retrieval::SummaryText(outcome),
              QStringLiteral("读取传真成功！共 1 份传真。\n/p/20240305140709.TIF\t3\tA  [FAX] B\n"));
}

} // namespace
