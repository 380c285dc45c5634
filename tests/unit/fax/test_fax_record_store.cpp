// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fax/FaxRecordStore.h"

#include "core/platform/ProfileFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/mount.h>

#include <cstdio>
#include <string>
#include <vector>

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class FaxRecordStoreTest : public testing::Test {
protected:
    void SetUp() override { store.OpenStoreIn(testsupport::MakeTempDir()); }

    std::vector<FaxRecord> Load() {
        std::vector<FaxRecord> rows;
        store.LoadRecords([&](const FaxRecord& r) { rows.push_back(r); });
        return rows;
    }
    std::vector<std::string> Sections() {
        std::vector<std::string> names;
        for (const FaxRecord& r : Load())
            names.push_back(r.section);
        return names;
    }
    int Append(const std::string& stamp) {
        return store
            .AppendRecord(store.ProgramDirectory() + stamp + ".TIF", "2000/08/15  09:05:00", "ID" + stamp, 1, false)
            .value_or(0);
    }
    std::string Ini() { return ReadFile(store.IniPath()); }

    FaxRecordStore store;
};

TEST_F(FaxRecordStoreTest, OpenStoreFormsThePathInTheProgramDirectory) {
    FaxRecordStore s;
    s.OpenStoreIn("/opt/KORVEL QUORRA/");
    EXPECT_EQ(s.IniPath(), "/opt/KORVEL QUORRA/RERAVA.INI");
    EXPECT_EQ(s.ProgramDirectory(), "/opt/KORVEL QUORRA/");
}

TEST_F(FaxRecordStoreTest, FirstAppendWritesCounterAndRecordExactly) {
    EXPECT_TRUE(Load().empty());
    const std::string dir = store.ProgramDirectory();
    EXPECT_EQ(store.AppendRecord(dir + "20000815090500.TIF", "2000/08/15  09:05:00", "\xC9\xEE\xDB\xDA", 255, true), 1);
    EXPECT_EQ(Ini(), "[FAX]\r\nNUM=1\r\n[FAX1]\r\nFILE=" + dir +
                         "20000815090500.TIF\r\nTIME=2000/08/15  09:05:00\r\nID=\xC9\xEE\xDB\xDA\r\nRead=0\r\n"
                         "Page=255\r\nRes=1\r\n");
    const std::vector<FaxRecord> rows = Load();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].section, "FAX1");
    EXPECT_EQ(rows[0].id, "\xC9\xEE\xDB\xDA");
    EXPECT_EQ(rows[0].page, "255");
    EXPECT_TRUE(rows[0].fine);
    EXPECT_FALSE(rows[0].read);
    EXPECT_EQ(store.FileOfRow(0), dir + "20000815090500.TIF");
    EXPECT_EQ(store.SectionOfRow(0), "FAX1");
}

TEST_F(FaxRecordStoreTest, SenderIdWithLineBreaksStaysInsideItsRecord) {
    store.AppendRecord("/a.TIF", "2000/08/15  09:05:00", "X\r\n[FAX]\r\nNUM=0", 1, false);
    EXPECT_EQ(profile::GetInt(store.IniPath(), "FAX", "NUM", -1), 1);
    const std::vector<FaxRecord> rows = Load();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].id, "X  [FAX]  NUM=0");
}

// Gaps, absent and "NULL" times, mixed-case keys and values that are no 1.
TEST_F(FaxRecordStoreTest, LoadListsPresentRecordsInOrderWithDenseRows) {
    WriteFile(store.IniPath(), "[fax]\r\nnum=7\r\n"
                               "[FAX5]\r\nTIME=t5\r\nFILE=f5\r\n"
                               "[FAX1]\r\nfile=f1\r\ntime=t1\r\nid=i1\r\nRead=1\r\nPage=3\r\nRes=1\r\n"
                               "[FAX3]\r\nTIME=null\r\nREAD=2\r\nRES=2\r\n"
                               "[Fax6]\r\nTIME=NULL\r\nFILE=f6\r\n"
                               "[FAX7]\r\nFILE=f7\r\nID=i7\r\nRead=1\r\n"
                               "[FAX8]\r\nTIME=beyond NUM\r\n"
                               "[FAX04]\r\nTIME=leading zero\r\n"
                               "[FAX2]\r\nTIME=\r\nREAD=abc\r\n");
    const std::vector<FaxRecord> rows = Load();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].section, "FAX1");
    EXPECT_EQ(rows[0].time, "t1");
    EXPECT_EQ(rows[0].id, "i1");
    EXPECT_TRUE(rows[0].read);
    EXPECT_EQ(rows[0].page, "3");
    EXPECT_TRUE(rows[0].fine);
    EXPECT_EQ(rows[0].file, "f1");
    EXPECT_EQ(rows[1].section, "FAX2"); // an empty TIME is not "NULL"
    EXPECT_FALSE(rows[1].read);
    EXPECT_EQ(rows[2].section, "FAX3");
    EXPECT_EQ(rows[2].time, "null");
    EXPECT_FALSE(rows[2].read);
    EXPECT_FALSE(rows[2].fine);
    EXPECT_EQ(rows[2].id, "");
    EXPECT_EQ(rows[2].page, "");
    EXPECT_EQ(rows[2].file, "");
    EXPECT_EQ(rows[3].section, "FAX5");
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(store.SectionOfRow(row), rows[static_cast<size_t>(row)].section);
    EXPECT_EQ(store.FileOfRow(3), "f5");
    EXPECT_EQ(store.FileOfRow(4), "NULL");
    EXPECT_EQ(store.SectionOfRow(4), "NULL");
}

TEST_F(FaxRecordStoreTest, NumbersOfTenAndMoreAreNotConfusedWithSmallerOnes) {
    for (int i = 1; i <= 12; ++i)
        Append(std::to_string(100 + i));
    store.RemoveRecord("FAX1");
    const std::vector<std::string> sections = Sections();
    ASSERT_EQ(sections.size(), 11u);
    EXPECT_EQ(sections.front(), "FAX2");
    EXPECT_EQ(sections[8], "FAX10");
    EXPECT_EQ(store.SectionOfRow(1), "FAX3");
    EXPECT_EQ(store.SectionOfRow(10), "FAX12");
    EXPECT_EQ(store.FileOfRow(1), store.ProgramDirectory() + "103.TIF");
    EXPECT_EQ(store.FileOfRow(10), store.ProgramDirectory() + "112.TIF");
}

TEST_F(FaxRecordStoreTest, CounterIsNeverReusedAndSurvivesDeletingAll) {
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(Append(std::to_string(i)), i);
    for (const char* s : {"FAX1", "FAX2", "FAX3"})
        store.RemoveRecord(s);
    store.DropRowMap();
    EXPECT_TRUE(Load().empty());
    EXPECT_EQ(profile::GetInt(store.IniPath(), "FAX", "NUM", 0), 3);
    EXPECT_EQ(Append("4"), 4);
    EXPECT_EQ(Sections(), std::vector<std::string>{"FAX4"});
}

TEST_F(FaxRecordStoreTest, ShrinkingListLeavesStaleRowMapUntilDropped) {
    for (int i = 1; i <= 5; ++i)
        Append(std::to_string(i));
    Load();
    for (const char* s : {"FAX1", "FAX3", "FAX5"})
        store.RemoveRecord(s);
    EXPECT_EQ(Sections(), (std::vector<std::string>{"FAX2", "FAX4"}));
    EXPECT_EQ(store.SectionOfRow(0), "FAX2");
    EXPECT_EQ(store.SectionOfRow(1), "FAX4");
    EXPECT_EQ(store.SectionOfRow(4), "FAX5"); // left from the longer list, never consulted
    store.DropRowMap();
    EXPECT_EQ(store.SectionOfRow(0), "NULL");
    EXPECT_EQ(Ini().find("[TMP]"), std::string::npos);
}

TEST_F(FaxRecordStoreTest, MarkReadChangesTheMixedCaseKeyWhereItStands) {
    Append("1");
    Append("2");
    const std::string before = Ini();
    store.MarkRead("fax1");
    std::string expected = before;
    expected.replace(expected.find("Read=0"), 6, "READ=1");
    EXPECT_EQ(Ini(), expected);
    EXPECT_TRUE(Load()[0].read);
    // A record deleted meanwhile is not brought back as a section of its own.
    store.RemoveRecord("FAX2");
    const std::string after = Ini();
    store.MarkRead("FAX2");
    store.MarkRead("NULL");
    EXPECT_EQ(Ini(), after);
}

// One save for the whole row map gives the file that one write per key gives.
TEST_F(FaxRecordStoreTest, BatchedRowMapEqualsOneWritePerKey) {
    const std::string start =
        "[FAX]\r\nNUM=4\r\n[TMP]\r\n0=old\r\n0FILE=FAX9\r\n7=stale\r\n\r\n"
        "[FAX2]\r\nFILE=b\r\nTIME=t\r\n[FAX4]\r\nFILE=d\r\nTIME=t\r\n[FAX1]\r\nFILE=a\r\nTIME=t\r\n";
    WriteFile(store.IniPath(), start);
    Load();
    const std::string batched = Ini();

    WriteFile(store.IniPath(), start);
    const char* map[][2] = {{"0", "a"},        {"0FILE", "FAX1"}, {"1", "b"},
                            {"1FILE", "FAX2"}, {"2", "d"},        {"2FILE", "FAX4"}};
    for (const auto& entry : map)
        profile::WriteString(store.IniPath(), "TMP", entry[0], entry[1]);
    EXPECT_EQ(batched, Ini());
}

TEST_F(FaxRecordStoreTest, OriginalFileLoadsAndStaysByteIdentical) {
    const std::string original = ReadFile(FAXDESK_TEST_DATA_DIR "/ini/original_rerava.ini");
    WriteFile(store.IniPath(), original);
    const std::vector<FaxRecord> rows = Load();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].section, "FAX2");
    EXPECT_EQ(rows[0].id, "\xC9\xEE\xDB\xDA\xB4\xAB\xD5\xE6");
    EXPECT_EQ(rows[0].file, "C:\\KORVEL QUORRA\\20000815090500.TIF");
    EXPECT_EQ(rows[0].page, "3");
    EXPECT_TRUE(rows[0].fine);
    EXPECT_EQ(Ini(), original);
}

// A counter below the records present (set back by hand, written as "+2" or " 2", or a restored
// older copy of the file): the new record goes above them all and every record stays as it was.
TEST_F(FaxRecordStoreTest, ANewRecordNeverReplacesAnExistingOne) {
    for (const char* counter : {"1", "+2", " 2", "0x2", ""}) {
        SCOPED_TRACE(counter);
        const std::string records = "[FAX1]\r\nFILE=/one.TIF\r\nTIME=t1\r\n[FAX2]\r\nFILE=/two.TIF\r\nTIME=t2\r\n";
        WriteFile(store.IniPath(), std::string("[FAX]\r\nNUM=") + counter + "\r\n" + records);
        EXPECT_EQ(Append("3"), 3);
        EXPECT_NE(Ini().find(records), std::string::npos) << Ini();
        EXPECT_EQ(Sections(), (std::vector<std::string>{"FAX1", "FAX2", "FAX3"}));
    }
}

TEST_F(FaxRecordStoreTest, HugeCounterNeitherHangsNorOverflows) {
    WriteFile(store.IniPath(), "[FAX]\r\nNUM=99999999999999\r\n[FAX1]\r\nTIME=t\r\n");
    EXPECT_EQ(Sections(), std::vector<std::string>{"FAX1"});
    const std::string before = Ini();
    EXPECT_EQ(Append("x"), 0);
    EXPECT_EQ(Ini(), before);
}

} // namespace

// A delete whose record cannot be removed (the disk full) keeps the page file with it: never a
// record whose page file is gone.
TEST(FaxRecordStoreFullDisk, ADeleteThatCannotBeSavedKeepsRecordAndPageFile) {
    std::string why;
    const std::string mounted = testsupport::MountSmallFileSystem(testsupport::MakeTempDir() + "small", "64k", why);
    if (mounted.empty())
        GTEST_SKIP() << "no small file system to fill: " << why;
    const std::string dir = mounted + "/";
    const std::string ini = "[FAX]\r\nNUM=1\r\n[FAX1]\r\nFILE=" + dir +
                            "20261211100000.TIF\r\nTIME=2026/12/11  10:00:00\r\nID=\r\nRead=0\r\nPage=1\r\nRes=1\r\n";
    WriteFile(dir + "RERAVA.INI", ini);
    WriteFile(dir + "20261211100000.TIF", "page");
    testsupport::FillFileSystem(mounted);
    FaxRecordStore store;
    store.OpenStoreIn(dir);
    EXPECT_FALSE(store.DeleteFax("FAX1", dir + "20261211100000.TIF"));
    EXPECT_EQ(ReadFile(dir + "RERAVA.INI"), ini);
    EXPECT_EQ(ReadFile(dir + "20261211100000.TIF"), "page");

    std::remove((dir + "filler").c_str());
    EXPECT_TRUE(store.DeleteFax("FAX1", dir + "20261211100000.TIF"));
    FaxRecord record;
    EXPECT_FALSE(store.ReadRecord("FAX1", record));
    EXPECT_TRUE(ReadFile(dir + "20261211100000.TIF").empty());
    ::umount2(mounted.c_str(), MNT_DETACH);
}
