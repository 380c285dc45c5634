// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ProfileFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// GBK characters whose trail byte is an ASCII character that means something in a profile file.
const std::string kTrailBracket = "\x81\x5D";   // trail ']'
const std::string kTrailBackslash = "\x81\x5C"; // trail '\'
const std::string kTrailOpen = "\x81\x5B";      // trail '['
const std::string kTrailBar = "\x81\x7C";       // trail '|'
const std::string kChuanZhen = "\xB4\xAB\xD5\xE6";

std::string FreshPath() {
    return testsupport::MakeTempDir() + "RERAVA.INI";
}

struct ReadCase {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::string expected; // the default is always "DEF"
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ProfileRead : public testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, ReadsTheValueTheWindowsProfileFunctionsWouldGive) {
    const ReadCase& c = GetParam();
    const std::string path = FreshPath();
    WriteFile(path, c.file);
    EXPECT_EQ(profile::GetString(path, c.section, c.key, "DEF"), c.expected);
}

const std::string k300(300, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileRead,
    testing::Values(
        ReadCase{"plain", "[A]\r\nk=v\r\n", "A", "k", "v"},
        ReadCase{"section_and_key_any_case", "[Dezazaze]\r\nNewNum=3\r\n", "DEZAZAZE", "NEWNUM", "3"},
        ReadCase{"absent_key_gives_default", "[A]\r\nk=v\r\n", "A", "x", "DEF"},
        ReadCase{"absent_section_gives_default", "[A]\r\nk=v\r\n", "B", "k", "DEF"},
        ReadCase{"empty_value_is_empty_not_default", "[A]\r\nk=\r\n", "A", "k", ""},
        ReadCase{"blanks_and_tabs_ignored", " \t[ A ]\t\r\n \tk \t= \t v w \t\r\n", "A", "k", "v w"},
        ReadCase{"double_quotes_removed", "[A]\r\nk=\" v \"\r\n", "A", "k", " v "},
        ReadCase{"single_quotes_removed", "[A]\r\nk='v'\r\n", "A", "k", "v"},
        ReadCase{"unmatched_quotes_kept", "[A]\r\nk=\"v'\r\n", "A", "k", "\"v'"},
        ReadCase{"first_of_two_keys", "[A]\r\nk=1\r\nK=2\r\n", "A", "k", "1"},
        ReadCase{"first_of_two_sections", "[A]\r\nk=1\r\n[a]\r\nk=2\r\nj=3\r\n", "A", "j", "DEF"},
        ReadCase{"lf_only_lines", "[A]\nk=v\nj=w\n", "A", "j", "w"},
        ReadCase{"no_final_newline", "[A]\r\nk=v", "A", "k", "v"},
        ReadCase{"blank_and_comment_lines", "\r\n;c\r\n[A]\r\n\r\n; k=x\r\nk=v\r\n", "A", "k", "v"},
        ReadCase{"comment_is_no_key", "[A]\r\n;k=x\r\n", "A", ";k", "DEF"},
        ReadCase{"line_without_equals_ignored", "[A]\r\njunk\r\nk=v\r\n", "A", "junk", "DEF"},
        ReadCase{"keys_before_first_section_not_read", "k=v\r\n[A]\r\n", "A", "k", "DEF"},
        ReadCase{"value_keeps_equals", "[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
        ReadCase{"gbk_value_passes_through",
                 "[A]\r\nID=" + kChuanZhen + kTrailBackslash + kTrailOpen + kTrailBar + kTrailBracket + "\r\n", "A",
                 "ID", kChuanZhen + kTrailBackslash + kTrailOpen + kTrailBar + kTrailBracket},
        ReadCase{"gbk_section_name_with_trail_bracket", "[" + kTrailBracket + "X]\r\nk=v\r\n", kTrailBracket + "X", "k",
                 "v"},
        ReadCase{"gbk_bytes_not_folded", "[A]\r\n\x81\x41=upper\r\n", "A", "\x81\x61", "DEF"},
        ReadCase{"gbk_trail_letter_not_folded_in_section", "[\x81\x41]\r\nk=v\r\n", "\x81\x61", "k", "DEF"},
        ReadCase{"ascii_after_gbk_still_folded", "[A]\r\n" + kChuanZhen + "KEY=v\r\n", "A", kChuanZhen + "key", "v"},
        ReadCase{"header_without_bracket_is_no_section", "[A\r\nk=v\r\n", "A", "k", "DEF"},
        ReadCase{"text_after_bracket_ignored", "[A] ; note\r\nk=v\r\n", "A", "k", "v"},
        ReadCase{"cut_to_254_bytes", "[A]\r\nk=" + k300 + "\r\n", "A", "k", k300.substr(0, 254)},
        // 253 ASCII bytes and a double-byte character: the character would end at byte 255.
        ReadCase{"cut_never_splits_a_character", "[A]\r\nk=" + std::string(253, 'x') + kChuanZhen + "\r\n", "A", "k",
                 std::string(253, 'x')},
        ReadCase{"character_ending_at_254_kept", "[A]\r\nk=" + std::string(252, 'x') + kChuanZhen + "\r\n", "A", "k",
                 std::string(252, 'x') + kChuanZhen.substr(0, 2)},
        ReadCase{"nul_ends_the_value", std::string("[A]\r\nk=ab\0cd\r\n", 13), "A", "k", "ab"},
        ReadCase{"long_line_before_key", "[A]\r\nbig=" + std::string(70000, 'y') + "\r\nk=v\r\n", "A", "k", "v"},
        ReadCase{"missing_file_content", "", "A", "k", "DEF"}),
    [](const testing::TestParamInfo<ReadCase>& p) { return std::string(p.param.name); });

TEST(ProfileFile, IntegerReadTakesLeadingDigits) {
    const std::string path = FreshPath();
    WriteFile(path, "[A]\r\nplain=42\r\ntail=7abc\r\nword=abc\r\nsign=-5\r\nempty=\r\nhuge=99999999999999999999999\r\n"
                    "quoted=\"12\"\r\nblank= 8 \r\n");
    const ProfileFile file = ProfileFile::Load(path);
    EXPECT_EQ(file.GetInt("A", "plain", -1), 42);
    EXPECT_EQ(file.GetInt("A", "tail", -1), 7);
    EXPECT_EQ(file.GetInt("A", "word", -1), 0);
    EXPECT_EQ(file.GetInt("A", "sign", -1), 0);
    EXPECT_EQ(file.GetInt("A", "empty", -1), -1);
    EXPECT_EQ(file.GetInt("A", "absent", -1), -1);
    EXPECT_EQ(file.GetInt("A", "huge", -1), 2147483647);
    EXPECT_EQ(file.GetInt("A", "quoted", -1), 12);
    EXPECT_EQ(file.GetInt("A", "blank", -1), 8);
}

struct WriteCase {
    const char* name;
    std::string before; // empty: no file
    std::function<void(ProfileFile&)> change;
    std::string after;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class ProfileWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, LeavesTheFileAsTheWindowsProfileFunctionsWould) {
    const WriteCase& c = GetParam();
    const std::string path = FreshPath();
    if (!c.before.empty())
        WriteFile(path, c.before);
    ProfileFile file = ProfileFile::Load(path);
    c.change(file);
    EXPECT_TRUE(file.Save());
    EXPECT_EQ(ReadFile(path), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileWrite,
    testing::Values(
        WriteCase{"creates_the_file", "", [](ProfileFile& f) { f.WriteString("FAX", "NUM", "1"); },
                  "[FAX]\r\nNUM=1\r\n"},
        WriteCase{"changes_where_it_stands_in_the_callers_spelling", "[A]\nx = 1\n[B]\r\n  Fax = 1 \r\nz=2\r\n",
                  [](ProfileFile& f) { f.WriteString("b", "FAX", "0"); }, "[A]\nx = 1\n[B]\r\nFAX=0\r\nz=2\r\n"},
        WriteCase{"new_key_after_last_entry_before_trailing_blank_lines", "[A]\r\nk=1\r\n\r\n;c\r\n[B]\r\n",
                  [](ProfileFile& f) { f.WriteString("A", "j", "2"); }, "[A]\r\nk=1\r\nj=2\r\n\r\n;c\r\n[B]\r\n"},
        WriteCase{"new_key_in_empty_section", "[A]\r\n[B]\r\n", [](ProfileFile& f) { f.WriteString("A", "j", "2"); },
                  "[A]\r\nj=2\r\n[B]\r\n"},
        WriteCase{"missing_section_appended_after_unterminated_last_line", "[A]\nk=1",
                  [](ProfileFile& f) { f.WriteString("B", "j", "2"); }, "[A]\nk=1\r\n[B]\r\nj=2\r\n"},
        WriteCase{"first_of_two_keys_changed", "[A]\r\nk=1\r\nK=2\r\n",
                  [](ProfileFile& f) { f.WriteString("A", "k", "9"); }, "[A]\r\nk=9\r\nK=2\r\n"},
        WriteCase{"first_of_two_sections_changed", "[A]\r\nk=1\r\n[a]\r\nk=2\r\n",
                  [](ProfileFile& f) { f.WriteString("A", "j", "3"); }, "[A]\r\nk=1\r\nj=3\r\n[a]\r\nk=2\r\n"},
        WriteCase{"delete_key_then_second_of_same_name_shows", "[A]\r\nk=1\r\nK=2\r\n",
                  [](ProfileFile& f) {
                      f.DeleteKey("A", "K");
                      EXPECT_EQ(f.GetString("A", "k", ""), "2");
                  },
                  "[A]\r\nK=2\r\n"},
        WriteCase{"delete_section_removes_first_with_its_lines", "[A]\r\nk=1\r\n;c\r\n\r\n[B]\r\nj=2\r\n[a]\r\nk=3\r\n",
                  [](ProfileFile& f) {
                      f.DeleteSection("a");
                      EXPECT_EQ(f.GetString("A", "k", ""), "3");
                  },
                  "[B]\r\nj=2\r\n[a]\r\nk=3\r\n"},
        WriteCase{"line_breaks_and_controls_neutralised", "",
                  [](ProfileFile& f) { f.WriteString("A\r\nB", "k\n", "a\r\n[FAX]\r\nNUM=0\tb\x7F"); },
                  "[A  B]\r\nk=a  [FAX]  NUM=0 b \r\n"},
        WriteCase{"gbk_written_untouched", "",
                  [](ProfileFile& f) { f.WriteString(kTrailBracket, kTrailBackslash, kTrailBar + kTrailOpen); },
                  "[" + kTrailBracket + "]\r\n" + kTrailBackslash + "=" + kTrailBar + kTrailOpen + "\r\n"},
        WriteCase{"deleting_what_is_absent_changes_nothing", "[A]\nk=1",
                  [](ProfileFile& f) {
                      f.DeleteKey("A", "x");
                      f.DeleteKey("X", "k");
                      f.DeleteSection("X");
                      f.WriteString("A", "k", "1");
                  },
                  "[A]\nk=1"}),
    [](const testing::TestParamInfo<WriteCase>& p) { return std::string(p.param.name); });

TEST(ProfileFile, NeutralisedValueReadsBackOnOneLine) {
    const std::string path = FreshPath();
    ASSERT_TRUE(profile::WriteString(path, "FAX1", "ID", "evil\r\n[FAX]\r\nNUM=0"));
    ASSERT_TRUE(profile::WriteString(path, "FAX", "NUM", "5"));
    EXPECT_EQ(profile::GetString(path, "FAX1", "ID", ""), "evil  [FAX]  NUM=0");
    EXPECT_EQ(profile::GetInt(path, "FAX", "NUM", 0), 5);
}

// The file as the Windows original leaves it: CR LF, GBK text, mixed-case keys.
TEST(ProfileFile, OriginalFileReadsBackAndUntouchedLinesStayByteIdentical) {
    const std::string path = FreshPath();
    const std::string original = ReadFile(FAXDESK_TEST_DATA_DIR "/ini/original_rerava.ini");
    ASSERT_FALSE(original.empty());
    WriteFile(path, original);
    EXPECT_EQ(profile::GetString(path, "FAX2", "ID", ""), "\xC9\xEE\xDB\xDA\xB4\xAB\xD5\xE6");
    EXPECT_EQ(profile::GetString(path, "fax2", "TIME", ""), "2000/08/15  09:05:00");
    EXPECT_EQ(profile::GetInt(path, "FAX2", "READ", -1), 0);
    EXPECT_EQ(profile::GetString(path, "DEZAZAZE", "ID", ""), "\xD5\xC5\xC8\xFD"
                                                              "Fax");
    EXPECT_EQ(profile::GetString(path, "DEZAZAZE", "At7z3", ""), "\xD5\xC5\xC8\xFD" + kTrailBackslash);

    ASSERT_TRUE(profile::WriteString(path, "FAX2", "READ", "1"));
    std::string expected = original;
    const std::string from = "Read=0\r\n";
    expected.replace(expected.find(from), from.size(), "READ=1\r\n");
    EXPECT_EQ(ReadFile(path), expected);
}

TEST(ProfileFile, BadFilesReadAsEmptyWithoutCrashOrHang) {
    const std::string dir = testsupport::MakeTempDir();
    EXPECT_EQ(profile::GetString(dir + "absent.ini", "A", "k", "DEF"), "DEF");

    WriteFile(dir + "empty.ini", "");
    EXPECT_EQ(profile::GetInt(dir + "empty.ini", "A", "k", 7), 7);

    std::string garbage;
    for (int i = 0; i < 100000; ++i)
        garbage += static_cast<char>((i * 7919) % 256);
    WriteFile(dir + "garbage.ini", garbage);
    ProfileFile g = ProfileFile::Load(dir + "garbage.ini");
    (void)g.GetString("A", "k", "");
    (void)g.SectionNames();
    g.WriteString("A", "k", "v");
    EXPECT_TRUE(g.Save());
    EXPECT_EQ(profile::GetString(dir + "garbage.ini", "A", "k", ""), "v");

    WriteFile(dir + "mega.ini", "[A]\r\nbig=" + std::string(1 << 20, 'z') + "\r\nk=v");
    EXPECT_EQ(profile::GetString(dir + "mega.ini", "A", "big", "").size(), 254u);
    EXPECT_EQ(profile::GetString(dir + "mega.ini", "A", "k", ""), "v");

    // A directory where the file should be: reads as empty, writing fails.
    ASSERT_EQ(mkdir((dir + "dir.ini").c_str(), 0700), 0);
    EXPECT_EQ(profile::GetString(dir + "dir.ini", "A", "k", "DEF"), "DEF");
    EXPECT_FALSE(profile::WriteString(dir + "dir.ini", "A", "k", "v"));

    // A pipe is never opened, so reading cannot block.
    ASSERT_EQ(mkfifo((dir + "fifo.ini").c_str(), 0600), 0);
    EXPECT_EQ(profile::GetString(dir + "fifo.ini", "A", "k", "DEF"), "DEF");
}

TEST(ProfileFile, FailedWriteLeavesTheOldFileWhole) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    const std::string dir = testsupport::MakeTempDir();
    const std::string path = dir + "RERAVA.INI";
    WriteFile(path, "[A]\r\nk=1\r\n");
    ASSERT_EQ(chmod(dir.c_str(), 0500), 0);
    EXPECT_FALSE(profile::WriteString(path, "A", "k", "2"));
    EXPECT_EQ(ReadFile(path), "[A]\r\nk=1\r\n");

    // A file that exists but cannot be read is never replaced by what little we know of it.
    ASSERT_EQ(chmod(dir.c_str(), 0700), 0);
    ASSERT_EQ(chmod(path.c_str(), 0200), 0);
    EXPECT_EQ(profile::GetString(path, "A", "k", "DEF"), "DEF");
    EXPECT_FALSE(profile::WriteString(path, "B", "j", "2"));
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(ReadFile(path), "[A]\r\nk=1\r\n");
}

TEST(ProfileFile, WriteKeepsPermissionsAndLeavesNoTemporaryFile) {
    const std::string dir = testsupport::MakeTempDir();
    const std::string path = dir + "RERAVA.INI";
    WriteFile(path, "[A]\r\nk=1\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(profile::WriteString(path, "A", "k", "2"));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFile(path), "[A]\r\nk=2\r\n");
    const auto entries = std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 1);
}

} // namespace
