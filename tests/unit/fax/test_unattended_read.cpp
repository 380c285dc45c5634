// SPDX-License-Identifier: GPL-3.0-or-later
// The read command without a window (the command line's read and the automatic reading), against
// the simulated modem on virtual time: what it tells while it runs, the outcome it hands back,
// the records it leaves, and the exit status and summary each outcome gives the command line.
#include "core/fax/FaxReader.h"
#include "core/fax/ReadReport.h"
#include "core/platform/ProfileFile.h"
#include "support/ReadScenarios.h"
#include "support/SimModemFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <functional>
#include <string>
#include <vector>

namespace {

class QuietRead : public ::testing::TestWithParam<readscenarios::Scenario> {};

TEST_P(QuietRead, TellsItsProgressAndLeavesTheRecords) {
    const readscenarios::Scenario& c = GetParam();
    SimModemFixture sim;
    c.setUp(sim);
    const std::string programDir = testsupport::MakeTempDir();
    SystemWallClock wallClock;
    FaxReader reader(sim.env, wallClock, programDir, testsupport::MakeTempDir());
    FaxRecordStore& store = reader.Store();

    QStringList lines;
    const retrieval::ReadProgress progress{
        [&](const QString& text) { lines << text; },
        [&](const retrieval::RecordedFax& fax) { lines << retrieval::FaxLine(int(lines.size()), fax); }};
    // As the command line and the automatic reading read: without the repeated first text.
    const retrieval::ReadOutcome outcome = reader.Read(retrieval::WithoutRepeats(progress));

    EXPECT_EQ(outcome.result.Code(), c.result);
    EXPECT_EQ(retrieval::ExitStatusOf(outcome.result), c.exitStatus);
    ASSERT_EQ(outcome.faxes.size(), c.faxes.size());
    std::vector<FaxRecord> records;
    store.LoadRecords([&](const FaxRecord& r) { records.push_back(r); });
    ASSERT_EQ(records.size(), c.faxes.size());
    for (size_t i = 0; i < c.faxes.size(); ++i) {
        EXPECT_EQ(records[i].id, c.faxes[i].id);
        EXPECT_EQ(outcome.faxes[i].pages, c.faxes[i].pages);
    }
    EXPECT_EQ(profile::GetInt(store.IniPath(), "FAX", "NUM", 0), int(c.faxes.size()));
    // Detection first, each text once in a row, the idle text last.
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.front(), retrieval::kDetectingText.toString());
    EXPECT_EQ(lines.back(), retrieval::kIdleText.toString());
    for (qsizetype i = 1; i < lines.size(); ++i)
        EXPECT_NE(lines[i], lines[i - 1]) << lines[i].toStdString();
    const QString summary = retrieval::SummaryText(outcome);
    EXPECT_TRUE(summary.startsWith(c.summaryStart)) << summary.toStdString();
    EXPECT_EQ(summary.count(u'\n'), 1 + qsizetype(c.faxes.size()));
    // The port is free again where a modem still answers on it.
    ModemLink next(sim.env);
    if (sim.ports.Wire("COM1") != nullptr && !sim.com1.LineDown()) {
        EXPECT_TRUE(next.Open("COM1"));
    }
}

INSTANTIATE_TEST_SUITE_P(Outcomes, QuietRead, ::testing::ValuesIn(readscenarios::Scenarios()),
                         [](const ::testing::TestParamInfo<readscenarios::Scenario>& param) {
                             return std::string(param.param.name);
                         });

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
