// SPDX-License-Identifier: GPL-3.0-or-later
// The read command and the retrieval behind it, against the simulated modem on virtual time: one
// table of modems (absent, empty, faulty, holding faxes of several kinds) and what each run must
// leave behind: result, messages, status texts, records in RERAVA.INI, capture and TIFF files, and
// the window and the port given back.
#include "core/fax/CaptureFile.h"
#include "core/fax/FaxReader.h"
#include "core/platform/Gbk.h"
#include "core/platform/ProfileFile.h"
#include "support/ReadScenarios.h"
#include "support/SimModemFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <sys/mount.h>
#include <vector>

using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

std::string Page(const char* name) {
    return testsupport::ReadFile(std::string(FAXDESK_TEST_DATA_DIR) + "/pages/" + name + ".g3");
}

// A fixed "now"; each reading may step it on.
class FixedWallClock final : public WallClock {
public:
    QDateTime Now() const override {
        const QDateTime now = m_now;
        m_now = m_now.addSecs(m_step);
        return now;
    }
    mutable QDateTime m_now{QDate(2024, 3, 5), QTime(14, 7, 9)};
    int m_step = 0;
};

// What a read tells the user, in order: its status texts, and the message it ends with (the read
// command shows it with the stop icon), with the details below it.
struct Told {
    std::vector<QString> texts;
    std::vector<QString> messages;
    std::vector<QString> details;
};

// A read as the read command runs it, keeping what it tells. Returns the result's code.
int ReadAndTell(FaxReader& reader, Told& told) {
    const retrieval::ReadOutcome outcome =
        reader.Read({[&told](const QString& text) { told.texts.push_back(text); }, {}});
    if (const std::optional<retrieval::StopMessage> message = retrieval::StopMessageOf(outcome)) {
        told.messages.push_back(message->text);
        told.details.push_back(message->details);
    }
    return outcome.result.Code();
}

struct ExpectedRecord {
    std::string id; // as read back
    std::string page;
    bool fine;
};

struct Scenario {
    const char* name;
    std::function<void(SimModemFixture&)> setUp;
    int result;
    QString message; // empty: none
    std::vector<ExpectedRecord> records;
    std::string programSubdirectory = {}; // the program lies in this directory under the test's own
};

// One read into a program directory of its own, on a modem of its own.
class ReadFixture : public ::testing::Test {
protected:
    void SetUp() override {
        store.OpenStoreAt(programDir + "RERAVA.INI");
        // An earlier fax already listed: the counter goes on from it.
        testsupport::WriteFile(programDir + "RERAVA.INI", "[FAX]\r\nNUM=5\r\n");
    }

    // A read into programDir as it stands now.
    int Run() {
        reader = std::make_unique<FaxReader>(sim.env, wallClock, programDir, tempDir);
        reader->Link().m_maxPageBytes = maxPageBytes;
        return ReadAndTell(*reader, host);
    }
    bool LinkOpen() const { return reader && reader->Link().IsOpen(); }

    std::vector<FaxRecord> Records() {
        std::vector<FaxRecord> records;
        store.LoadRecords([&](const FaxRecord& r) { records.push_back(r); });
        return records;
    }

    std::vector<std::string> Files(const std::string& dir, const std::string& extension) const {
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().extension() == extension)
                files.push_back(entry.path().string());
        std::sort(files.begin(), files.end());
        return files;
    }

    SimModemFixture sim;
    FaxRecordStore store; // RERAVA.INI of programDir, as the test reads it
    FixedWallClock wallClock;
    Told host;
    std::string programDir = testsupport::MakeTempDir();
    std::string tempDir = testsupport::MakeTempDir();
    uint32_t maxPageBytes = ModemLink::kMaxPageBytes;
    std::unique_ptr<FaxReader> reader;
};

class ReadCommand : public ReadFixture, public ::testing::WithParamInterface<Scenario> {};

quorra::StoredFax Fax(std::string id, bool fine, std::vector<std::string> pages) {
    return quorra::StoredFax{std::move(id), fine, std::move(pages)};
}

using readscenarios::kPaddedId;
using readscenarios::kSenderRead;

quorra::Fault NoAck(std::string command, int occurrence = 0) {
    return MakeFault(quorra::FaultKind::NoAck, std::move(command), occurrence);
}

TEST_P(ReadCommand, LeavesResultMessagesRecordsFilesAndPortAsItsModemCalls) {
    const Scenario& s = GetParam();
    s.setUp(sim);
    if (!s.programSubdirectory.empty()) {
        programDir += s.programSubdirectory + "/";
        fs::create_directory(programDir);
        store.OpenStoreAt(programDir + "RERAVA.INI");
        testsupport::WriteFile(programDir + "RERAVA.INI", "[FAX]\r\nNUM=5\r\n");
    }
    const int result = Run();

    EXPECT_EQ(result, s.result);
    if (s.message.isEmpty()) {
        EXPECT_TRUE(host.messages.empty());
    } else {
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0], s.message);
        // Only a missing modem comes with details, a line per port.
        if (s.result == retrieval::kNoModem)
            EXPECT_EQ(host.details[0].count(QLatin1Char('\n')), 1) << host.details[0].toStdString();
        else
            EXPECT_TRUE(host.details[0].isEmpty());
    }

    // However it went, the read ends with the idle text and the port given back (the window's part,
    // the cursor, the disabled window and the reload, is the read command's: tst_readfaxes).
    ASSERT_FALSE(host.texts.empty());
    EXPECT_EQ(host.texts.back(), retrieval::kIdleText.toString());
    EXPECT_FALSE(LinkOpen());
    // The port is free afterwards: the command holds no end of any line, and where a modem still
    // answers, the next command opens its port.
    for (const char* port : {"COM1", "COM2"}) {
        if (SimWire* wire = sim.ports.Wire(port)) {
            EXPECT_FALSE(wire->HostOpen()) << port << " still held";
            if (!wire->Modem().LineDown()) {
                ModemLink next(sim.env);
                EXPECT_TRUE(next.Open(port)) << port;
                next.Close();
            }
        }
    }

    const std::vector<FaxRecord> records = Records();
    ASSERT_EQ(records.size(), s.records.size());
    const ProfileFile ini = ProfileFile::Load(store.IniPath());
    EXPECT_EQ(ini.GetInt("FAX", "NUM", 0), 5 + static_cast<int>(s.records.size()));
    std::vector<std::string> files;
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(records[i].section);
        EXPECT_EQ(records[i].section, "FAX" + std::to_string(6 + i));
        EXPECT_EQ(records[i].id, s.records[i].id);
        EXPECT_EQ(records[i].page, s.records[i].page);
        EXPECT_EQ(records[i].fine, s.records[i].fine);
        EXPECT_FALSE(records[i].read);
        EXPECT_EQ(records[i].time, "2024/03/05  14:07:09");
        ASSERT_EQ(records[i].file.rfind(programDir, 0), 0u) << records[i].file;
        EXPECT_EQ(testsupport::TiffPages(records[i].file), std::stoi(s.records[i].page));
        files.push_back(records[i].file);
    }
    // Every page that came is in the page file (a page cut off before its first line has nothing to
    // show and is left out), so no capture is kept beside the faxes.
    EXPECT_TRUE(Files(programDir, ".TAM").empty());
    // Faxes finished within the same second each keep their own file: the next free second.
    const char* const names[] = {"20240305140709.TIF", "20240305140710.TIF", "20240305140711.TIF"};
    for (size_t i = 0; i < files.size() && i < 3; ++i)
        EXPECT_EQ(files[i], programDir + names[i]);
    EXPECT_EQ(Files(programDir, ".TIF").size(), records.size());
    // Nothing of a fax stays in the shared temporary folder: every capture here was converted, kept
    // as above, or cut off by a failure while the modem still holds its fax.
    EXPECT_TRUE(fs::is_empty(tempDir));
}

const QString kNoModem = retrieval::kNoModemMessage.toString();
const QString kNoFax = retrieval::kNoFaxMessage.toString();
const QString kFailed = retrieval::kFailedMessage.toString();
const QString kIncompleteMessage =
    kFailed + QStringLiteral("\n第 1 份传真只收到 2 页中的 1 页，调制解调器仍保存该传真");

INSTANTIATE_TEST_SUITE_P(
    Modems, ReadCommand,
    ::testing::Values(
        Scenario{"SilentModemOnCom1NoCom2",
                 [](SimModemFixture& sim) { sim.com1.AddFault(MakeFault(quorra::FaultKind::Silence)); },
                 1,
                 kNoModem,
                 {}},
        Scenario{"ModemOnCom2Only",
                 [](SimModemFixture& sim) {
                     sim.RemoveCom1();
                     sim.AddCom2().AddFax(Fax(kPaddedId, true, {Page("checker")}));
                 },
                 0,
                 {},
                 {{kSenderRead, "1", true}}},
        Scenario{"ModemOnCom2WithoutFax",
                 [](SimModemFixture& sim) {
                     sim.RemoveCom1();
                     sim.AddCom2();
                 },
                 7,
                 kNoFax,
                 {}},
        Scenario{"FaxClassUnacknowledged",
                 [](SimModemFixture& sim) { sim.com1.AddFault(NoAck("AT+FCLASS=2")); },
                 2,
                 kFailed,
                 {}},
        Scenario{"ReceptionUnacknowledged",
                 [](SimModemFixture& sim) { sim.com1.AddFault(NoAck("AT+FCR=1")); },
                 3,
                 kFailed,
                 {}},
        Scenario{"BitOrderUnacknowledged",
                 [](SimModemFixture& sim) { sim.com1.AddFault(NoAck("AT+FBOR=0")); },
                 4,
                 kFailed,
                 {}},
        Scenario{"CapabilitiesUnacknowledged",
                 [](SimModemFixture& sim) { sim.com1.AddFault(NoAck("AT+FDCC=?")); },
                 5,
                 kFailed,
                 {}},
        Scenario{"SessionParametersRefused",
                 [](SimModemFixture& sim) { sim.com1.AddFault(MakeFault(quorra::FaultKind::Error, "AT+FDIS=")); },
                 6,
                 kFailed,
                 {}},
        Scenario{"SecondFaxDoesNotAnswer",
                 [](SimModemFixture& sim) {
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("text-fine")}));
                     sim.com1.AddFax(Fax("SECOND", true, {Page("checker")}));
                     sim.com1.AddFault(NoAck("ATA", 2));
                 },
                 10,
                 kFailed,
                 {{kSenderRead, "1", true}}},
        Scenario{"FirstPageNeverEnds",
                 [](SimModemFixture& sim) {
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
                     sim.com1.AddFault(MakeFault(quorra::FaultKind::CutPage, "\x12", 0, 300));
                 },
                 9,
                 kFailed,
                 {}},
        Scenario{"LineGoesAwayInTheSecondFaxsPage",
                 [](SimModemFixture& sim) {
                     sim.com1.AddFax(Fax(kPaddedId, false, {Page("text-normal-fill")}));
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
                     sim.com1.AddFault(MakeFault(quorra::FaultKind::LineDrop, "\x12", 2, 1000));
                 },
                 11,
                 kFailed,
                 {{kSenderRead, "1", false}}},
        Scenario{"GarbageAnswerReport",
                 [](SimModemFixture& sim) {
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
                     sim.com1.AddFault(MakeFault(quorra::FaultKind::Garbage, "ATA", 0, 0, "\x7f\x01\xfe#~~~\r\n"s));
                 },
                 0,
                 {},
                 {{kSenderRead, "1", true}}},
        Scenario{"NoPageAfterTheAnswer",
                 [](SimModemFixture& sim) {
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
                     sim.com1.AddFault(NoAck("AT+FDR"));
                 },
                 9,
                 kFailed,
                 {}},
        Scenario{"ThreePages",
                 [](SimModemFixture& sim) {
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("text-fine"), Page("checker"), Page("black-line")}));
                 },
                 0,
                 {},
                 {{kSenderRead, "3", true}}},
        // A later page cut off: the fax is kept as far as it came (what came of the cut page is a
        // page of it), the record counts the pages the file holds, and the read ends telling that
        // the modem still holds the fax. Cut before its first line, the page cannot be written.
        Scenario{"SecondOfThreePagesCutByTheLineGoingAway",
                 [](SimModemFixture& sim) {
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("text-fine"), Page("checker"), Page("black-line")}));
                     sim.com1.AddFault(MakeFault(quorra::FaultKind::LineDrop, "\x12", 2, 2000));
                 },
                 retrieval::kPageNotEnded,
                 kIncompleteMessage,
                 {{kSenderRead, "2", true}}},
        Scenario{"SecondOfThreePagesCutBeforeItsFirstLine",
                 [](SimModemFixture& sim) {
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("text-fine"), Page("checker"), Page("black-line")}));
                     sim.com1.AddFault(MakeFault(quorra::FaultKind::LineDrop, "\x12", 2, 1));
                 },
                 retrieval::kPageNotEnded,
                 kIncompleteMessage,
                 {{kSenderRead, "1", true}}},
        Scenario{"ResolutionFromTheDcsText",
                 [](SimModemFixture& sim) {
                     sim.com1.AddFax(Fax(kPaddedId, false, {Page("text-normal-fill")}));
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("text-fine")}));
                 },
                 0,
                 {},
                 {{kSenderRead, "1", false}, {kSenderRead, "1", true}}},
        // The identification is the 20 characters after the opening quote: a short one brings its
        // closing quote and the line end (neutralised in the file) with it.
        Scenario{"ShortIdentification",
                 [](SimModemFixture& sim) { sim.com1.AddFax(Fax("ABC", true, {Page("checker")})); },
                 0,
                 {},
                 {{"ABC\"", "1", true}}},
        // "OK" inside the identification: the report still ends only at its final "OK" line, so the
        // fax keeps its fine resolution and its whole name.
        Scenario{"IdentificationHoldingOk",
                 [](SimModemFixture& sim) { sim.com1.AddFax(Fax("TOKYO BRANCH", true, {Page("text-fine")})); },
                 0,
                 {},
                 {{"TOKYO BRANCH\"", "1", true}}},
        // A directory name GBK cannot spell could not be found again from RERAVA.INI: nothing is
        // read, the faxes stay in the modem.
        Scenario{"ProgramDirectoryOutsideGbk",
                 [](SimModemFixture& sim) { sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")})); },
                 retrieval::kUnrecordablePath,
                 retrieval::kUnrecordablePathMessage.toString(),
                 {},
                 "传真 ø✈"},
        Scenario{"IdentificationWithLineBreaks",
                 [](SimModemFixture& sim) {
                     sim.com1.AddFax(Fax("A\r\n[FAX]\r\nNUM=0", true, {Page("checker")}));
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
                 },
                 0,
                 {},
                 {{"A  [FAX]  NUM=0\"", "1", true}, {kSenderRead, "1", true}}},
        // The answer report complete, OK line and all, within the 100 ms after "ATA".
        Scenario{"QuickAnswerReport",
                 [](SimModemFixture& sim) {
                     sim.com1.Timing().answerDelayMs = 20;
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
                 },
                 0,
                 {},
                 {{kSenderRead, "1", true}}},
        // The report starts within the 100 ms and ends after them.
        Scenario{"AnswerReportAcrossTheWait",
                 [](SimModemFixture& sim) {
                     sim.com1.Timing().answerDelayMs = 97;
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
                 },
                 0,
                 {},
                 {{kSenderRead, "1", true}}},
        Scenario{"SlowModemWithinItsWaits",
                 [](SimModemFixture& sim) {
                     sim.com1.Timing().answerDelayMs = 4000;
                     sim.com1.Timing().ringDelayMs = 4500;
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
                     sim.com1.AddFax(Fax(kPaddedId, false, {Page("text-normal-fill")}));
                 },
                 0,
                 {},
                 {{kSenderRead, "1", true}, {kSenderRead, "1", false}}},
        // "RING" within the 100 ms after "ATG": read by the command itself, not lost.
        Scenario{"QuickRing",
                 [](SimModemFixture& sim) {
                     sim.com1.Timing().ringDelayMs = 30;
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
                     sim.com1.AddFax(Fax(kPaddedId, false, {Page("black-line")}));
                 },
                 0,
                 {},
                 {{kSenderRead, "1", true}, {kSenderRead, "1", false}}},
        // The three "AT"s before the retrieval only wake the modem; the retrieval's own one counts.
        Scenario{"ModemAwakeOnlyFromTheThirdAt",
                 [](SimModemFixture& sim) {
                     sim.com1.AddFault(NoAck("AT", 1));
                     sim.com1.AddFault(NoAck("AT", 2));
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
                 },
                 0,
                 {},
                 {{kSenderRead, "1", true}}},
        Scenario{"ModemThatStopsAfterTheWakeUp",
                 [](SimModemFixture& sim) {
                     sim.com1.AddFault(MakeFault(quorra::FaultKind::Silence, "AT", 4));
                     sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
                 },
                 1,
                 kNoModem,
                 {}}),
    [](const ::testing::TestParamInfo<Scenario>& p) { return std::string(p.param.name); });

// The outcomes every place that reads must tell alike.
std::vector<Scenario> SharedScenarios() {
    std::vector<Scenario> scenarios;
    for (const readscenarios::Scenario& shared : readscenarios::Scenarios()) {
        Scenario scenario{shared.name, shared.setUp, shared.result, shared.message, {}};
        for (const readscenarios::Fax& fax : shared.faxes)
            scenario.records.push_back({fax.id, std::to_string(fax.pages), fax.fine});
        scenarios.push_back(std::move(scenario));
    }
    return scenarios;
}

INSTANTIATE_TEST_SUITE_P(Shared, ReadCommand, ::testing::ValuesIn(SharedScenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& p) { return std::string(p.param.name); });

TEST_F(ReadCommand, TellsItsProgressInOrder) {
    sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
    ASSERT_EQ(Run(), 0);
    const std::vector<QString> expected{
        retrieval::kDetectingText.toString(), retrieval::kDetectingText.toString(),
        retrieval::kSettingUpText.toString(), retrieval::kReadingText.toString(),
        retrieval::kSucceededText.toString(), retrieval::kIdleText.toString(),
    };
    EXPECT_EQ(host.texts, expected);

    // What went over the line, in order, and the modem back in data mode at the end.
    std::vector<std::string> commands = sim.com1.Commands();
    const std::vector<std::string> expectedCommands{"AT",        "AT",          "AT",
                                                    "AT",        "AT+FCLASS=2", "AT+FCR=1",
                                                    "AT+FBOR=0", "AT+FDCC=?",   "AT+FDIS=1,5,0,0,0,0,0,0",
                                                    "ATG",       "ATA",         "AT+FDR",
                                                    "\x12",      "AT+FDR",      "ATG",
                                                    "AT",        "AT+FCLASS=0", "ATH",
                                                    "AT",        "AT+FCLASS=0", "ATH",
                                                    "ATZ"};
    EXPECT_EQ(commands, expectedCommands);
    EXPECT_EQ(sim.com1.FaxClass(), 0);
    EXPECT_EQ(sim.com1.FaxesLeft(), 0u);
}

// "RING" cut in two, "RI" and "NG" 15 ms apart, wherever it falls: inside the command's own wait,
// across its end, across the end of each 100 ms look that follows, for the first fax and the next.
// A whole "RING" a millisecond either side of the command's wait is found too.
TEST(ReadCommandRing, IsFoundWhereverTheReadsCutIt) {
    struct Timing {
        uint32_t delayMs, splitMs;
    };
    std::vector<Timing> timings;
    for (uint32_t delay = 75; delay <= 130; ++delay)
        timings.push_back({delay, 15});
    for (uint32_t delay = 180; delay <= 225; ++delay)
        timings.push_back({delay, 15});
    for (uint32_t delay = 98; delay <= 102; ++delay)
        timings.push_back({delay, 0});
    for (const Timing& t : timings) {
        SCOPED_TRACE("RING after " + std::to_string(t.delayMs) + " ms, split " + std::to_string(t.splitMs) + " ms");
        SimModemFixture sim;
        sim.com1.Timing().ringDelayMs = t.delayMs;
        sim.com1.Timing().ringSplitMs = t.splitMs;
        sim.com1.AddFax(Fax(kPaddedId, true, {Page("black-line")}));
        sim.com1.AddFax(Fax(kPaddedId, false, {Page("black-line-fill")}));
        const std::string programDir = testsupport::MakeTempDir();
        FixedWallClock wallClock;
        FaxReader reader(sim.env, wallClock, programDir, testsupport::MakeTempDir());
        Told host;
        ASSERT_EQ(ReadAndTell(reader, host), 0);
        EXPECT_EQ(sim.com1.FaxesLeft(), 0u);
        int records = 0;
        reader.Store().LoadRecords([&](const FaxRecord&) { ++records; });
        EXPECT_EQ(records, 2);
    }
}

// A read of two faxes (four pages) on a modem of its own, with the fixed waits after every command
// asked for or not, and on a modem that drops a command coming less than `commandGapMs` after the
// one before (one that needs the fixed waits).
struct PacedRead {
    PacedRead(bool fixedWaits, uint32_t commandGapMs) {
        sim.ports.SetFixedWaits(fixedWaits);
        sim.com1.Timing().commandGapMs = commandGapMs;
        sim.com1.AddFax(Fax(kPaddedId, true, {Page("text-fine"), Page("checker"), Page("black-line")}));
        sim.com1.AddFax(Fax("SECOND", false, {Page("text-normal-fill")}));
        FaxReader reader(sim.env, wallClock, programDir, tempDir);
        const uint32_t start = sim.time.TickCount();
        result = ReadAndTell(reader, host);
        elapsedMs = sim.time.TickCount() - start;
        reader.Store().LoadRecords([&](const FaxRecord& r) { records.push_back(r); });
    }

    SimModemFixture sim;
    FixedWallClock wallClock;
    Told host;
    std::string programDir = testsupport::MakeTempDir();
    std::string tempDir = testsupport::MakeTempDir();
    int result = -1;
    uint32_t elapsedMs = 0;
    std::vector<FaxRecord> records;
};

TEST(ReadPacing, RepliesEndTheWaitsWithTheSameCommandsAndFaxes) {
    const PacedRead fixed(true, 0);
    const PacedRead replies(false, 0);
    ASSERT_EQ(fixed.result, 0);
    ASSERT_EQ(replies.result, 0);
    EXPECT_EQ(replies.sim.com1.Commands(), fixed.sim.com1.Commands());
    ASSERT_EQ(replies.records.size(), 2u);
    ASSERT_EQ(fixed.records.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(replies.records[i].id, fixed.records[i].id);
        EXPECT_EQ(replies.records[i].page, fixed.records[i].page);
        EXPECT_EQ(fs::path(replies.records[i].file).filename(), fs::path(fixed.records[i].file).filename());
        EXPECT_EQ(testsupport::ReadFile(replies.records[i].file), testsupport::ReadFile(fixed.records[i].file));
    }
    EXPECT_EQ(replies.host.texts, fixed.host.texts);
    // Three "AT"s, the probe, the set-up, six "AT+FDR"s and the restore answer at once; the second
    // of DTR and the ten seconds in which no further "RING" comes stay.
    EXPECT_LT(replies.elapsedMs + 10000, fixed.elapsedMs);
    EXPECT_GE(replies.elapsedMs, 11000u);
}

// The modem that needs its pacing takes every command with the fixed waits. Without them it drops
// the probe's second "AT", which follows the first one's "OK" at once; that unanswered command makes
// the link wait the whole time after every command from then on, so the read goes on as with the
// fixed waits and reads the same faxes, instead of taking the modem's answers out of step.
TEST(ReadPacing, AModemThatNeedsThePacingIsReadWithTheFixedWaits) {
    const PacedRead fixed(true, 60);
    EXPECT_EQ(fixed.result, 0);
    EXPECT_TRUE(fixed.sim.com1.DroppedCommands().empty());
    ASSERT_EQ(fixed.records.size(), 2u);

    const PacedRead replies(false, 60);
    EXPECT_EQ(replies.result, 0);
    EXPECT_EQ(replies.sim.com1.DroppedCommands(), std::vector<std::string>{"AT"});
    EXPECT_TRUE(replies.host.messages.empty());
    EXPECT_EQ(replies.sim.com1.FaxesLeft(), 0u);
    ASSERT_EQ(replies.records.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(replies.records[i].page, fixed.records[i].page);
        EXPECT_EQ(testsupport::ReadFile(replies.records[i].file), testsupport::ReadFile(fixed.records[i].file));
    }
}

// Page data without a single EOL: the page file writer cannot convert it.
const std::string kNoEolPage(600, '\x55');

// A capture that cannot be converted is the only copy of its fax: it is kept in the program
// directory under a name that says so, and holds the header fields from the answer report, the
// page count and the data length.
TEST_F(ReadCommand, UnconvertedCaptureIsKeptBesideTheFaxes) {
    sim.com1.AddFax(Fax("ABC", false, {Page("text-normal-fill"), Page("checker"), kNoEolPage}));
    testsupport::WriteFile(programDir + "20240305140709-未转换的传真.TAM", "an earlier one");
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(fs::is_empty(tempDir));
    ASSERT_EQ(Records().size(), 1u) << "the fax is listed all the same";
    EXPECT_EQ(testsupport::ReadFile(programDir + "20240305140709-未转换的传真.TAM"), "an earlier one");
    const std::string kept = programDir + "20240305140709-未转换的传真-2.TAM";
    EXPECT_EQ(Files(programDir, ".TAM").size(), 2u);
    EXPECT_EQ(fs::status(kept).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    const std::string capture = testsupport::ReadFile(kept);
    ASSERT_GE(capture.size(), 132u);
    EXPECT_EQ(capture.substr(0, 3), "G3\0"s);
    EXPECT_EQ(capture.substr(3, 16), "0,5,0,2,0,0,0,0 ");
    EXPECT_EQ(capture.substr(19, 21), "ABC\"\r\n\r\n"s + std::string(13, '\0'));
    EXPECT_EQ(static_cast<uint8_t>(capture[40]), 2) << "the pages the page file holds";
    EXPECT_EQ(capture.substr(41, 7), std::string(7, '\0')) << "no page broke off";
    // The page file made of it, named before it was begun.
    const std::string pageFile = fs::path(Records()[0].file).filename().string();
    EXPECT_EQ(capture.substr(48, 80), pageFile + std::string(80 - pageFile.size(), '\0'));
    const uint32_t length = static_cast<uint8_t>(capture[128]) | static_cast<uint8_t>(capture[129]) << 8 |
                            static_cast<uint8_t>(capture[130]) << 16 |
                            static_cast<uint32_t>(static_cast<uint8_t>(capture[131])) << 24;
    // Each page as sent, ending with the DLE that stood before DLE ETX; behind them the page table:
    // where each page begins and ends (its DLE not counted), the count and "G3PT".
    const auto sent = [](const std::string& page) {
        return SimModemFixture::StrictModems() ? quorra::WithoutRtc(page) : page;
    };
    const std::string expected =
        sent(Page("text-normal-fill")) + "\x10" + sent(Page("checker")) + "\x10" + kNoEolPage + "\x10";
    ASSERT_EQ(length, expected.size());
    EXPECT_EQ(capture.substr(132, length), expected);
    std::string table;
    const auto put = [&table](size_t value) {
        for (int i = 0; i < 4; ++i)
            table += static_cast<char>(value >> (8 * i));
    };
    size_t start = 0;
    for (const std::string& page : {sent(Page("text-normal-fill")), sent(Page("checker")), kNoEolPage}) {
        put(start);
        put(start + page.size());
        start += page.size() + 1;
    }
    put(3);
    EXPECT_EQ(capture.substr(132 + length), table + "G3PT");
}

// The page count is one byte in the capture file: a longer fax stops at 255 pages instead of
// wrapping to 0 and being written as an empty file.
TEST_F(ReadCommand, FaxOfMoreThan255PagesKeepsItsFirst255) {
    const std::string page = Page("black-line");
    sim.com1.AddFax(Fax(kPaddedId, true, std::vector<std::string>(257, page)));
    ASSERT_EQ(Run(), 0);
    const std::vector<FaxRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].page, "255");
    EXPECT_EQ(testsupport::TiffPages(records[0].file), 255);
    EXPECT_TRUE(fs::is_empty(tempDir));
}

// Page data that never ends: the capture gives up at its size limit instead of holding the program
// (and filling the disk) for as long as the modem sends, and the fax before it stays.
TEST_F(ReadCommand, EndlessPageDataIsGivenUp) {
    maxPageBytes = 100000; // in place of the program's several megabytes
    sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
    std::string endless;
    while (endless.size() < 300000)
        endless += Page("text-fine");
    sim.com1.AddFax(Fax(kPaddedId, true, {endless}));
    EXPECT_EQ(Run(), 11);
    EXPECT_EQ(host.messages, std::vector<QString>{retrieval::kFailedMessage.toString()});
    EXPECT_EQ(Records().size(), 1u);
    EXPECT_FALSE(LinkOpen());
    EXPECT_EQ(host.texts.back(), retrieval::kIdleText.toString());
}

// --- Captures an earlier read left -------------------------------------------------------------

// A capture as a read leaves it when it ends early: `endedPages` pages counted in its header, then
// `tail` (the start of a page that never ended), finished or not.
struct LeftCapture {
    const char* name;
    int endedPages;
    std::string tail;
    bool finished;
    int recordedPages; // 0: nothing to record, the modem still holds that fax
    std::string incomplete = {};
};

class LeftCaptures : public ReadFixture, public ::testing::WithParamInterface<LeftCapture> {};

TEST_P(LeftCaptures, AreRecordedByTheNextReadBeforeTheModemsFaxes) {
    const LeftCapture& c = GetParam();
    const char* const pages[] = {"text-fine", "checker"};
    {
        CaptureFile capture;
        ASSERT_TRUE(capture.Create(tempDir, "1,5,0,2,0,0,0,0 ", "EARLIER SENDER"));
        for (int page = 0; page < c.endedPages; ++page) {
            const std::string data = Page(pages[page]) + "\x10"; // the DLE of DLE ETX, as captured
            ASSERT_TRUE(capture.Append(data.data(), data.size()));
            ASSERT_TRUE(capture.EndPage(true));
        }
        ASSERT_TRUE(capture.Append(c.tail.data(), c.tail.size()));
        if (c.finished) {
            ASSERT_TRUE(capture.Finish(c.endedPages));
        }
    }
    sim.com1.AddFax(Fax(kPaddedId, false, {Page("black-line")}));

    ASSERT_EQ(Run(), 0);
    const std::vector<FaxRecord> records = Records();
    const size_t recovered = c.recordedPages > 0 ? 1 : 0;
    ASSERT_EQ(records.size(), recovered + 1);
    if (recovered > 0) {
        EXPECT_EQ(records[0].id, "EARLIER SENDER");
        EXPECT_TRUE(records[0].fine);
        EXPECT_EQ(records[0].page, std::to_string(c.recordedPages));
        EXPECT_EQ(testsupport::TiffPages(records[0].file), c.recordedPages);
        EXPECT_EQ(records[0].incomplete, c.incomplete);
        EXPECT_EQ(host.texts.empty() ? QString() : host.texts.back(), retrieval::kIdleText.toString());
    }
    EXPECT_EQ(records.back().id, kSenderRead) << "the modem's fax after it";
    EXPECT_TRUE(fs::is_empty(tempDir)) << "nothing left to recover";
}

INSTANTIATE_TEST_SUITE_P(Captures, LeftCaptures,
                         ::testing::Values(
                             // Killed between the modem's "+FHNG" and the record: the only copy of the fax.
                             LeftCapture{"WholeButNotRecorded", 2, "", true, 2},
                             // Killed in the second page: the first is on the disk and counted; the
                             // modem had not played the fax out, so it is recorded as incomplete.
                             LeftCapture{"KilledInTheSecondPage", 1, Page("checker").substr(0, 500), false, 1, "1/2"},
                             // Killed between two pages: recorded as incomplete while the modem may
                             // still hold the fax; the modem then plays every fax it holds and this one
                             // is not among them, so it had been played out: it is whole.
                             LeftCapture{"KilledBetweenTwoPages", 1, "", false, 1, ""},
                             // Killed in the first page: the modem still holds the fax and plays it again.
                             LeftCapture{"KilledInTheFirstPage", 0, Page("text-fine").substr(0, 700), false, 0}),
                         [](const auto& row) { return std::string(row.param.name); });

// A fax whose page cannot be kept (a full disk under the capture) is not given away: the read of it
// stops before the modem plays its last page, the modem keeps it, and the next read, with room
// again, brings it whole.
TEST_F(ReadCommand, APageThatCannotBeKeptLeavesTheFaxInTheModem) {
    std::string why;
    const std::string small = testsupport::MountSmallFileSystem(tempDir + "small", "40k", why);
    if (small.empty())
        GTEST_SKIP() << "no small file system to fill: " << why;
    tempDir = small + "/";
    // About 32 KB a page: the first fits, the second does not.
    sim.com1.AddFax(Fax(kPaddedId, true, {Page("text-fine"), Page("text-fine")}));

    EXPECT_EQ(Run(), retrieval::kPageNotEnded);
    EXPECT_EQ(host.messages, std::vector<QString>{retrieval::kFailedMessage.toString()});
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(sim.com1.FaxesLeft(), 1u) << "the modem keeps the fax";
    EXPECT_TRUE(fs::is_empty(tempDir));

    tempDir = testsupport::MakeTempDir();
    ASSERT_EQ(Run(), 0);
    const std::vector<FaxRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].page, "2");
    EXPECT_EQ(testsupport::TiffPages(records[0].file), 2);
    ::umount2(small.c_str(), MNT_DETACH);
}

// The record cannot be saved after the fax has left the modem (RERAVA.INI cannot be replaced: a
// directory stands in its place): no record, no page file, the capture kept and named in the
// message's details; the next read, with a file it can save, records the fax from that capture.
TEST_F(ReadCommand, AFaxWhoseRecordCannotBeSavedIsRecordedByTheNextRead) {
    const std::string ini = programDir + "RERAVA.INI";
    fs::remove(ini);
    fs::create_directory(ini);
    sim.com1.AddFax(Fax(kPaddedId, true, {Page("text-fine"), Page("checker")}));

    EXPECT_EQ(Run(), retrieval::kNotSaved);
    EXPECT_EQ(sim.com1.FaxesLeft(), 0u) << "the modem gave the fax away";
    EXPECT_TRUE(Files(programDir, ".TIF").empty()) << "no page file without its record";
    const std::vector<std::string> captures = Files(tempDir, ".TMP");
    ASSERT_EQ(captures.size(), 1u) << "the only copy of the fax";
    ASSERT_EQ(host.details.size(), 1u);
    EXPECT_TRUE(host.details[0].contains(QString::fromStdString(captures[0]))) << host.details[0].toStdString();

    fs::remove(ini);
    testsupport::WriteFile(ini, "[FAX]\r\nNUM=5\r\n");
    EXPECT_EQ(Run(), retrieval::kNoStoredFax) << "the recovered fax was the only one";
    const std::vector<FaxRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].page, "2");
    EXPECT_EQ(testsupport::TiffPages(records[0].file), 2);
    EXPECT_TRUE(fs::is_empty(tempDir));
}

// A fax whose page broke off is kept as far as it came and marked so, while the modem still holds
// it; when the modem plays it whole, that copy takes the record's place: one record, the whole
// fax, the broken copy's page file gone.
TEST_F(ReadCommand, AFaxWhosePageBrokeIsKeptMarkedAndItsWholeCopyTakesItsPlace) {
    // An earlier broken fax of the same sender whose pages were others: not this fax's copy.
    const BrokenFax other{1, 2, 100, std::string(40, '0')};
    ASSERT_TRUE(store.AppendRecord(programDir + "OTHER.TIF", "2024/01/02  03:04:05", kSenderRead, 2, true, &other));
    sim.com1.AddFax(Fax(kPaddedId, true, {Page("text-fine"), Page("checker"), Page("black-line")}));
    sim.com1.AddFault(MakeFault(quorra::FaultKind::LineDrop, "\x12", 2, 2000));

    EXPECT_EQ(Run(), retrieval::kPageNotEnded);
    EXPECT_EQ(host.messages, std::vector<QString>{kIncompleteMessage});
    std::vector<FaxRecord> records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].incomplete, "1/2");
    EXPECT_EQ(records[1].page, "2");
    EXPECT_EQ(testsupport::TiffPages(records[1].file), 2);
    EXPECT_EQ(sim.com1.FaxesLeft(), 1u);
    const std::string section = records[1].section;

    sim.com1.ClearFaults();
    ASSERT_EQ(Run(), 0);
    records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].section, section);
    EXPECT_EQ(records[1].incomplete, "");
    EXPECT_EQ(records[1].incompleteCheck, "");
    EXPECT_EQ(records[1].page, "3");
    EXPECT_EQ(testsupport::TiffPages(records[1].file), 3);
    EXPECT_EQ(Files(programDir, ".TIF").size(), 1u) << "the broken copy's page file goes";
    EXPECT_EQ(sim.com1.FaxesLeft(), 0u);

    EXPECT_EQ(Records()[0].incomplete, "1/2") << "another broken fax of the same sender stays as it was";
}

// Pages whose sender wrote no RTC (ghostscript's fax device, senders that stop at the end of their
// data) stay the pages the modem played: three are recorded as three, each with its own lines.
TEST_F(ReadCommand, PagesWithoutRtcStayThePagesTheModemPlayed) {
    sim.com1.AddFax(Fax(kPaddedId, true,
                        {quorra::WithoutRtc(Page("text-fine")), quorra::WithoutRtc(Page("checker")),
                         quorra::WithoutRtc(Page("black-line"))}));
    ASSERT_EQ(Run(), 0);
    const std::vector<FaxRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].page, "3");
    EXPECT_EQ(testsupport::TiffPages(records[0].file), 3);
}

// A modem that answers every command and then sends its page a byte every half second: the page
// is a line fault within seconds (not after the megabytes a page may hold), and the modem keeps the
// fax.
TEST_F(ReadCommand, APageThatTricklesIsALineFault) {
    sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
    quorra::Fault trickle = MakeFault(quorra::FaultKind::Trickle, "\x12");
    trickle.delayMs = 500;
    sim.com1.AddFault(trickle);
    const uint32_t start = sim.time.TickCount();
    EXPECT_EQ(Run(), retrieval::kPageNotEnded);
    EXPECT_LT(sim.time.TickCount() - start, 60000u) << "the read ends within a minute";
    EXPECT_EQ(host.messages, std::vector<QString>{retrieval::kFailedMessage.toString()});
    EXPECT_TRUE(Records().empty());
    EXPECT_EQ(sim.com1.FaxesLeft(), 1u);
    EXPECT_TRUE(fs::is_empty(tempDir));
}

// A file of the same name from an earlier run is not replaced either.
TEST_F(ReadCommand, NeverReplacesAnExistingFaxFile) {
    testsupport::WriteFile(programDir + "20240305140709.TIF", "earlier fax");
    sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(testsupport::ReadFile(programDir + "20240305140709.TIF"), "earlier fax");
    const std::vector<FaxRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].file, programDir + "20240305140710.TIF");
    EXPECT_EQ(records[0].time, "2024/03/05  14:07:09");
}

// RERAVA.INI keeps paths as GBK text, as the program's files always have; the page file itself
// lies under the file system's own spelling of the same name.
TEST_F(ReadCommand, RecordsThePageFileInGbkUnderAChineseDirectory) {
    const std::string dir = programDir + "传真/"; // the file system's bytes (UTF-8)
    fs::create_directory(dir);
    programDir = dir;
    store.OpenStoreAt(dir + "RERAVA.INI");
    sim.com1.AddFax(Fax(kPaddedId, true, {Page("checker")}));
    ASSERT_EQ(Run(), 0);
    const std::vector<FaxRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].file, gbk::FromNativePath(dir) + "20240305140709.TIF");
    EXPECT_NE(records[0].file.find("\xB4\xAB"), std::string::npos) << "GBK bytes of the directory name";
    EXPECT_EQ(testsupport::TiffPages(gbk::ToNativePath(records[0].file)), 1);
}

// --- The answer report --------------------------------------------------------------------------

struct ReportCase {
    const char* name;
    std::string report;
    std::string dcs;
    std::string id;
    bool fine;
};

class AnswerReportTable : public ::testing::TestWithParam<ReportCase> {};

TEST_P(AnswerReportTable, Parses) {
    const ReportCase& c = GetParam();
    const retrieval::AnswerReport answer = retrieval::ParseAnswerReport(c.report);
    EXPECT_EQ(answer.dcs, c.dcs);
    EXPECT_EQ(answer.id, c.id);
    EXPECT_EQ(answer.fine, c.fine);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, AnswerReportTable,
    ::testing::Values(
        ReportCase{"Usual", "\r\n+FCON\r\n+FTSI: \"     +86 10 87654321\"\r\n+FDCS: 1,5,0,2,0,0,0,0\r\nOK\r\n",
                   "1,5,0,2,0,0,0,0 ", "+86 10 87654321", true},
        ReportCase{"NormalResolution", "+FTSI: \"12345678901234567890\"\r\n+FDCS: 0,3,0,2\t \r\nOK\r\n", "0,3,0,2 ",
                   "12345678901234567890", false},
        ReportCase{"NoDcs", "+FTSI: \"12345678901234567890\"\r\nOK\r\n", " ", "12345678901234567890", false},
        ReportCase{"NoTsi", "+FCON\r\n+FDCS: 1,5\r\nOK\r\n", "1,5 ", "", true},
        ReportCase{"TsiAfterDcs", "+FDCS: 1,5\r\n+FTSI: \"X\"\r\nOK\r\n", "1,5 ", "X\"\r\n", true},
        // An "OK" inside a line is not the report's end: the parameters after it still count.
        ReportCase{"OkInsideTheIdentification",
                   "\r\n+FCON\r\n+FTSI: \"TOKYO BRANCH\"\r\n+FDCS: 1,5,0,2,0,0,0,0\r\nOK\r\n", "1,5,0,2,0,0,0,0 ",
                   "TOKYO BRANCH\"\r\n", true},
        ReportCase{"TextAfterOkIgnored", "+FDCS: 1,5\r\nOK\r\n+FTSI: \"X\"\r\n", "1,5 ", "", true},
        ReportCase{"ShortIdRunsIntoTheLineEnd", "+FTSI: \"AB\"\r\n+FDCS: 0\r\nOK\r\n", "0 ", "AB\"\r\n", false},
        ReportCase{"ZeroByteEndsTheText", "+FTSI: \"AB\0CD\"\r\n+FDCS: 1\r\nOK\r\n"s, " ", "AB", false},
        ReportCase{"Empty", "", " ", "", false}),
    [](const ::testing::TestParamInfo<ReportCase>& p) { return std::string(p.param.name); });

} // namespace
