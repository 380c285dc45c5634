// SPDX-License-Identifier: GPL-3.0-or-later
// RERAVA.INI and the page files when the program dies in the middle of writing them, and when the
// disk fills up during a fax read.
//
// Kill test: a child process runs a fixed sequence of the program's writes (faxes read from the
// simulated modem into page files and records, records marked read, the list loaded, faxes
// deleted, settings and phone numbers saved) and is killed with SIGKILL at a random moment. After
// each kill RERAVA.INI must be byte for byte one of the files the sequence passes through, never
// something in between, and every record in it must name a page file that is there and whole.
//
// The figures go to robustness/crash-consistency.md in the build directory
// (scripts/update-robustness copies them into docs/robustness.md).
#include "core/fax/FaxReader.h"
#include "core/fax/ReadReport.h"
#include "core/phonebook/PhoneNumberMemory.h"
#include "core/platform/Gbk.h"
#include "core/platform/ProfileFile.h"
#include "core/settings/ModemSettings.h"
#include "support/SimModemFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sched.h>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kKills = 1000;

std::string Page(const char* name) {
    return testsupport::ReadFile(std::string(FAXDESK_TEST_DATA_DIR) + "/pages/" + name + ".g3");
}

class StepClock final : public WallClock {
public:
    QDateTime Now() const override { return now; }
    QDateTime now{QDate(2026, 12, 7), QTime(9, 0, 0)};
};

// The directory a sequence works in: the program directory with RERAVA.INI and the page files,
// and "tmp/" in it for the capture files.
struct Place {
    std::string dir; // with a trailing '/'
    std::string Ini() const { return dir + "RERAVA.INI"; }
    std::string Temp() const { return dir + "tmp/"; }
};

enum class Op { ReadFax, MarkRead, LoadList, Delete, SaveSettings, SavePhoneNumbers };
const char* const kOpNames[] = {"fax read (page file and record)",
                                "mark read",
                                "list load (row map)",
                                "delete",
                                "settings save",
                                "phone numbers save"};

// The sequence: the same writes with the same data on every run, each kind several times, faxes
// first so that there is something to mark and delete.
std::vector<Op> Sequence() {
    return {Op::ReadFax,          Op::ReadFax, Op::LoadList, Op::MarkRead,         Op::SaveSettings, Op::Delete,
            Op::SavePhoneNumbers, Op::ReadFax, Op::LoadList, Op::MarkRead,         Op::Delete,       Op::SaveSettings,
            Op::SavePhoneNumbers, Op::ReadFax, Op::MarkRead, Op::SavePhoneNumbers, Op::LoadList,     Op::Delete};
}

// The sections of the records present, read without writing (a load would rebuild the row map).
std::vector<std::string> RecordSections(const Place& place) {
    const ProfileFile ini = ProfileFile::Load(place.Ini());
    std::vector<std::string> sections;
    for (const std::string& name : ini.SectionNames()) {
        if (name.size() > 3 && name.compare(0, 3, "FAX") == 0 && ini.GetString(name, "TIME", "NULL") != "NULL")
            sections.push_back(name);
    }
    return sections;
}

// Runs op `k` of the sequence. Each op writes RERAVA.INI at most once.
void RunOp(const Place& place, Op op, int k, const std::vector<std::string>& pages) {
    FaxRecordStore store;
    store.OpenStoreAt(place.Ini());
    switch (op) {
    case Op::ReadFax: {
        SimModemFixture sim;
        sim.com1.AddFax(
            {"+86 10 8765432" + std::to_string(k % 10), k % 2 == 0, {pages[static_cast<size_t>(k) % pages.size()]}});
        StepClock clock;
        clock.now = clock.now.addSecs(k);
        FaxReader reader(sim.env, clock, place.dir, place.Temp());
        reader.Read();
        break;
    }
    case Op::MarkRead: {
        const std::vector<std::string> sections = RecordSections(place);
        if (!sections.empty())
            store.MarkRead(sections[static_cast<size_t>(k) % sections.size()]);
        break;
    }
    case Op::LoadList:
        store.LoadRecords([](const FaxRecord&) {});
        break;
    case Op::Delete: {
        // A row of the list as the last load mapped it, deleted as the delete command does.
        int rows = 0;
        while (store.SectionOfRow(rows) != FaxRecordStore::kNull)
            ++rows;
        if (rows == 0)
            break;
        const int row = k % rows;
        store.DeleteFax(store.SectionOfRow(row), store.FileOfRow(row));
        break;
    }
    case Op::SaveSettings: {
        ModemSettings settings = LoadSettings(place.Ini());
        settings.pass = std::to_string(1000 + k);
        settings.id = "FAXDESK " + std::to_string(k);
        settings.ringText = std::to_string(1 + k % 7);
        settings.newNumText = "1";
        SaveSettings(place.Ini(), settings);
        break;
    }
    case Op::SavePhoneNumbers: {
        phonebook::SlotTexts texts;
        for (size_t i = 0; i < texts.size(); ++i)
            texts[i] = std::to_string(k * 100 + static_cast<int>(i));
        phonebook::StorePhoneNumbers(place.Ini(), texts);
        break;
    }
    }
}

const std::string kInitialIni = "[DEZAZAZE]\r\nINSTALL=1\r\n";

// What a run without a kill leaves before each write: RERAVA.INI (state k: before write k, the
// last one after the last write), the page files there, and how long each write took.
struct Reference {
    std::vector<std::string> states;
    std::vector<std::map<std::string, std::string>> pageFiles; // by name, before write k
    std::vector<std::chrono::nanoseconds> durations;
};

std::map<std::string, std::string> PageFilesIn(const Place& place) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(place.dir)) {
        if (entry.path().extension() == ".TIF")
            files[entry.path().filename().string()] = testsupport::ReadFile(entry.path().string());
    }
    return files;
}

// The program directory as it was before write `k`.
void Restore(const Place& place, const Reference& ref, size_t k) {
    std::error_code error;
    fs::remove_all(place.dir, error);
    fs::create_directories(place.Temp());
    testsupport::WriteFile(place.Ini(), ref.states[k]);
    for (const auto& [name, bytes] : ref.pageFiles[k])
        testsupport::WriteFile(place.dir + name, bytes);
}

Reference RunReference(const Place& place, const std::vector<Op>& ops, const std::vector<std::string>& pages) {
    Reference ref;
    std::error_code error;
    fs::remove_all(place.dir, error);
    fs::create_directories(place.Temp());
    testsupport::WriteFile(place.Ini(), kInitialIni);
    for (size_t k = 0; k <= ops.size(); ++k) {
        ref.states.push_back(testsupport::ReadFile(place.Ini()));
        ref.pageFiles.push_back(PageFilesIn(place));
        if (k == ops.size())
            break;
        const auto start = std::chrono::steady_clock::now();
        RunOp(place, ops[k], static_cast<int>(k), pages);
        ref.durations.push_back(std::chrono::steady_clock::now() - start);
    }
    return ref;
}

// A finding about the files after write `k` was killed, or empty when they are sound: RERAVA.INI
// is byte for byte the file before or after the write, and every record names a page file that
// is there and whole.
std::string Damage(const Place& place, const Reference& ref, size_t k) {
    const std::string ini = testsupport::ReadFile(place.Ini());
    if (ini != ref.states[k] && ini != ref.states[k + 1])
        return "RERAVA.INI is neither the file before nor the one after the write:\n" + ini;
    std::string finding;
    for (const std::string& section : RecordSections(place)) {
        const std::string path = gbk::ToNativePath(profile::GetString(place.Ini(), section, "FILE", ""));
        const std::string name = fs::path(path).filename().string();
        // Whole: as a run without a kill has it after the write (or before it, for a record that
        // the write deletes).
        auto whole = [&](size_t state) {
            const auto it = ref.pageFiles[state].find(name);
            return it != ref.pageFiles[state].end() && testsupport::ReadFile(path) == it->second;
        };
        if (!fs::exists(path))
            finding += section + " names a page file that is not there: " + path + "\n";
        else if (!whole(k + 1) && !whole(k))
            finding += section + " names a page file that is not whole: " + path + "\n";
    }
    return finding;
}

std::string RobustnessDir() {
    const std::string dir = std::string(FAXDESK_BINARY_DIR) + "/robustness/";
    fs::create_directories(dir);
    return dir;
}

TEST(CrashConsistency, KilledWritesLeaveTheFileBeforeOrAfterAndNoRecordWithoutItsPageFile) {
    const std::vector<std::string> pages = {Page("text-normal-fill"), Page("checker"), Page("black-line")};
    const std::vector<Op> ops = Sequence();
    // In memory where there is /dev/shm: a kill means the same there, and a thousand runs of
    // writes with their syncs cost far less.
    const std::string base = fs::exists("/dev/shm") ? "/dev/shm/" : testsupport::MakeTempDir();
    const Place place{base + "faxdesk-crash-" + std::to_string(::getpid()) + "/"};
    const Reference ref = RunReference(place, ops, pages);
    ASSERT_EQ(ref.states.size(), ops.size() + 1);

    // Set by the child when its write begins, so that the kill's delay counts from there.
    auto* started = static_cast<volatile int*>(
        ::mmap(nullptr, sizeof(int), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(started, MAP_FAILED);

    // Each run starts from the files as they were before one write of the sequence and is killed
    // during it: the kinds of write take turns, the moment is spread over the write's length (a
    // little beyond it, so that some runs finish first).
    std::mt19937_64 rng(20261207);
    int kills = 0;
    int finished = 0;
    std::vector<int> killsOfKind(6, 0);
    std::vector<int> beforeOrAfter(2, 0);
    std::string findings;
    for (int run = 0; kills < kKills; ++run) {
        const auto kind = static_cast<Op>(run % 6);
        std::vector<size_t> ofKind;
        for (size_t k = 0; k < ops.size(); ++k)
            if (ops[k] == kind)
                ofKind.push_back(k);
        const size_t k = ofKind[rng() % ofKind.size()];
        const int64_t length = ref.durations[k].count() * 6 / 5 + 1;
        const auto delay = std::chrono::nanoseconds(static_cast<int64_t>(rng() % static_cast<uint64_t>(length)));
        Restore(place, ref, k);
        *started = 0;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0) << std::strerror(errno);
        if (child == 0) {
            *started = 1;
            RunOp(place, ops[k], static_cast<int>(k), pages);
            ::_exit(0);
        }
        while (*started == 0)
            std::this_thread::yield();
        std::this_thread::sleep_for(delay);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!WIFSIGNALED(status)) {
            ++finished; // done before the kill: no kill to count
            continue;
        }
        ++kills;
        ++killsOfKind[static_cast<size_t>(kind)];
        const std::string finding = Damage(place, ref, k);
        if (!finding.empty() && findings.size() < 4000)
            findings += "kill " + std::to_string(kills) + " in write " + std::to_string(k) + ": " + finding;
        else if (finding.empty())
            ++beforeOrAfter[testsupport::ReadFile(place.Ini()) == ref.states[k] ? 0 : 1];
    }
    std::error_code error;
    fs::remove_all(place.dir, error);
    ::munmap(const_cast<int*>(started), sizeof(int));
    EXPECT_EQ(findings, "");

    const int damaged = kills - beforeOrAfter[0] - beforeOrAfter[1];
    std::ofstream md(RobustnessDir() + "crash-consistency.md", std::ios::trunc);
    md << "| Kills (SIGKILL) | Damaged: RERAVA.INI neither before nor after, or a record without its whole page "
          "file | RERAVA.INI as before the write | as after it | Runs that finished before the kill |\n"
       << "|---:|---:|---:|---:|---:|\n"
       << "| " << kills << " | " << damaged << " | " << beforeOrAfter[0] << " | " << beforeOrAfter[1] << " | "
       << finished << " |\n\n"
       << "| Write under way | Kills |\n|---|---:|\n";
    for (size_t i = 0; i < killsOfKind.size(); ++i)
        md << "| " << kOpNames[i] << " | " << killsOfKind[i] << " |\n";
    std::cout << kills << " kills, " << damaged << " damaged, " << finished << " finished first\n";
}

// --- A full disk during a fax read --------------------------------------------------------------

// The program directory on a file system with room for RERAVA.INI but not for a page file: the
// fax fails with the failure message, the page file that could not be written is not left behind
// and gets no record, the records already there stay, and the capture file keeps the fax's data.
TEST(FullDisk, AFaxReadOntoAFullDiskFailsAndRecordsNoPageFile) {
    const std::string top = testsupport::MakeTempDir();
    std::string why;
    const std::string mounted = testsupport::MountSmallFileSystem(top + "small", "24k", why);
    if (mounted.empty())
        GTEST_SKIP() << "no small file system to fill: " << why;

    const Place place{mounted + "/"};
    fs::create_directories(top + "tmp");
    const std::string before =
        "[DEZAZAZE]\r\nINSTALL=1\r\n[FAX]\r\nNUM=1\r\n[FAX1]\r\nFILE=" + place.dir +
        "20261206080000.TIF\r\nTIME=2026/12/06  08:00:00\r\nID=\r\nRead=1\r\nPage=1\r\nRes=1\r\n";
    testsupport::WriteFile(place.Ini(), before);
    testsupport::WriteFile(place.dir + "20261206080000.TIF", std::string(3000, 'x'));

    SimModemFixture sim;
    // A page of about 32 KB: its page file cannot fit in 24 KB.
    sim.com1.AddFax({"+86 10 87654321", true, {Page("text-fine")}});
    StepClock clock;
    FaxReader reader(sim.env, clock, place.dir, top + "tmp/");
    reader.SetRoomNeeded(0); // the page file runs out of room in the read, not before it
    const retrieval::ReadOutcome outcome = reader.Read();

    EXPECT_NE(outcome.result.step, retrieval::kSuccess);
    const std::optional<retrieval::StopMessage> message = retrieval::StopMessageOf(outcome);
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(message->text, retrieval::kFailedMessage.toString());
    EXPECT_EQ(reader.Writer().LastResult(), FaxFileWriter::kWriteStrip);
    EXPECT_EQ(testsupport::ReadFile(place.Ini()), before);
    // The fax's data is not lost: its capture file is whole and waits in the capture directory for
    // the next read (nothing of it is moved into the program directory).
    std::vector<std::string> files;
    std::vector<std::string> captures;
    for (const auto& entry : fs::directory_iterator(place.dir)) {
        if (entry.path().extension() == ".TAM")
            captures.push_back(entry.path().string());
        else
            files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"20261206080000.TIF", "RERAVA.INI"}));
    for (const auto& entry : fs::directory_iterator(top + "tmp"))
        captures.push_back(entry.path().string());
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_GT(fs::file_size(captures[0]), 132u + Page("text-fine").size()) << captures[0];
    // The port is given back as after any failure (the window's part: tst_readfaxes).
    EXPECT_FALSE(reader.Link().IsOpen());
    ::umount2(mounted.c_str(), MNT_DETACH);
}

// The program directory full when a fax has already left the modem: its capture waits in the spool,
// the message says where and the command line names the right fax, and the next read with room
// again records it.
TEST(FullDisk, AFaxThatCouldNotBeSavedIsRecordedByTheNextRead) {
    const std::string top = testsupport::MakeTempDir();
    std::string why;
    const std::string mounted = testsupport::MountSmallFileSystem(top + "small", "64k", why);
    if (mounted.empty())
        GTEST_SKIP() << "no small file system to fill: " << why;
    const Place place{mounted + "/"};
    testsupport::WriteFile(place.Ini(), "[DEZAZAZE]\r\nINSTALL=1\r\n");
    const std::string spool = top + "spool/";
    const auto captures = [&spool] {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(spool, error))
            names.push_back(entry.path().filename().string());
        return names;
    };

    SimModemFixture sim;
    sim.com1.AddFax({"     +86 10 87654321", true, {Page("checker")}}); // padded, as modems report it
    // The disk fills while the fax is answered: after the check before the read, before the page file.
    sim.com1.SetMonitor([&mounted](char direction, std::string_view bytes) {
        if (direction == '>' && bytes.find("ATA") != std::string_view::npos)
            testsupport::FillFileSystem(mounted);
    });
    StepClock clock;
    {
        FaxReader reader(sim.env, clock, place.dir, spool);
        reader.SetRoomNeeded(0);
        const retrieval::ReadOutcome outcome = reader.Read();
        EXPECT_EQ(outcome.result, (retrieval::ReadResult{retrieval::kNotSaved, 1}));
        EXPECT_EQ(retrieval::ExitStatusOf(outcome.result), 11) << "fax 1, not fax 2";
        EXPECT_EQ(sim.com1.FaxesLeft(), 0u) << "the modem has given the fax away";
        const std::optional<retrieval::StopMessage> message = retrieval::StopMessageOf(outcome);
        ASSERT_TRUE(message.has_value());
        EXPECT_EQ(message->text, retrieval::kFailedMessage.toString());
        ASSERT_FALSE(outcome.keptCapture.isEmpty());
        EXPECT_TRUE(message->details.contains(outcome.keptCapture)) << message->details.toStdString();
        EXPECT_TRUE(retrieval::SummaryText(outcome).startsWith(
            QStringLiteral("传真读取失败！第 1 份传真读取失败（结果代码 10），之前的 0 份传真已保存。")));
        EXPECT_EQ(captures().size(), 1u);
    }

    sim.com1.SetMonitor(nullptr);
    fs::remove(mounted + "/filler");
    FaxReader reader(sim.env, clock, place.dir, spool);
    reader.SetRoomNeeded(0);
    const retrieval::ReadOutcome outcome = reader.Read();
    EXPECT_EQ(outcome.result.step, retrieval::kNoStoredFax);
    EXPECT_EQ(outcome.recovered, 1);
    std::vector<FaxRecord> records;
    reader.Store().LoadRecords([&records](const FaxRecord& record) { records.push_back(record); });
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].id, "+86 10 87654321");
    EXPECT_EQ(testsupport::TiffPages(records[0].file), 1);
    EXPECT_TRUE(captures().empty());
    ::umount2(mounted.c_str(), MNT_DETACH);
}

// A program directory that cannot take a fax (full, read-only, or with less room than a fax may
// need) is refused before the modem is asked for one: a clear message, and every fax stays in the
// modem.
TEST(FullDisk, AReadIntoADirectoryThatCannotTakeAFaxLeavesEveryFaxInTheModem) {
    for (const char* fault : {"full", "read-only", "little room"}) {
        SCOPED_TRACE(fault);
        const std::string top = testsupport::MakeTempDir();
        std::string why;
        const std::string mounted = testsupport::MountSmallFileSystem(top + "small", "64k", why);
        if (mounted.empty())
            GTEST_SKIP() << "no small file system: " << why;
        const Place place{mounted + "/"};
        testsupport::WriteFile(place.Ini(), "[DEZAZAZE]\r\nINSTALL=1\r\n");
        fs::create_directory(place.dir + ".spool");
        if (std::string_view(fault) == "full") {
            testsupport::FillFileSystem(mounted);
        } else if (std::string_view(fault) == "read-only") {
            ASSERT_EQ(::mount(nullptr, mounted.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0)
                << std::strerror(errno);
        }

        SimModemFixture sim;
        sim.com1.AddFax({"+86 10 87654321", true, {Page("checker")}});
        StepClock clock;
        FaxReader reader(sim.env, clock, place.dir, FaxReader::SpoolOf(place.dir));
        const retrieval::ReadOutcome outcome = reader.Read();

        EXPECT_EQ(outcome.result.step, retrieval::kNoRoom);
        EXPECT_EQ(retrieval::ExitStatusOf(outcome.result), retrieval::kExitUnrecordable);
        const std::optional<retrieval::StopMessage> message = retrieval::StopMessageOf(outcome);
        ASSERT_TRUE(message.has_value());
        EXPECT_EQ(message->text, retrieval::kNoRoomMessage.toString());
        EXPECT_TRUE(message->details.contains(QString::fromStdString(mounted))) << message->details.toStdString();
        EXPECT_TRUE(sim.com1.Commands().empty()) << "the modem is not even asked";
        EXPECT_EQ(sim.com1.FaxesLeft(), 1u);
        EXPECT_EQ(testsupport::ReadFile(place.Ini()), "[DEZAZAZE]\r\nINSTALL=1\r\n");
        ::umount2(mounted.c_str(), MNT_DETACH);
    }
}

} // namespace
