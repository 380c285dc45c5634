// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/ProfileFile.h"

#include "core/platform/Gbk.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace std::string_literals;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// GBK characters whose trail byte is an ASCII character that means something in a profile file.
const std::string kTrailBracket = "\x81\x5D";   // trail ']'
const std::string kTrailBackslash = "\x81\x5C"; // trail '\'
const std::string kTrailOpen = "\x81\x5B";      // trail '['
const std::string kTrailBar = "\x81\x7C";       // trail '|'
const std::string kChuanZhen = "\xB4\xAB\xD5\xE6";
const std::string kUtf8Mark = "\xEF\xBB\xBF";

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
    EXPECT_EQ(ProfileFile::Load(path).GetString(c.section, c.key, "DEF"), c.expected) << "a loaded file reads alike";
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
        ReadCase{"cr_only_lines", "[A]\rk=v\rj=w\r", "A", "j", "w"},
        ReadCase{"cr_cr_lf_lines", "[A]\r\r\nk=v\r\r\nj=w\r\r\n", "A", "j", "w"},
        ReadCase{"lone_cr_ends_the_value", "[A]\r\nk=a\rj=w\r\n", "A", "k", "a"},
        ReadCase{"key_after_lone_cr_found", "[A]\r\nk=a\rj=w\r\n", "A", "j", "w"},
        ReadCase{"isspace_and_ctrl_z_trimmed", "\v\f[\x1A A \f]\x1A\r\n\v\f k\x1A\t=\f\v v w \x1A\v\r\n", "A", "k",
                 "v w"},
        ReadCase{"blanks_inside_a_value_kept", "[A]\r\nk=v\x1A\fw\r\n", "A", "k", "v\x1A\fw"},
        ReadCase{"ctrl_z_at_end_of_file", "[A]\r\nk=v\x1A", "A", "k", "v"},
        ReadCase{"no_final_newline", "[A]\r\nk=v", "A", "k", "v"},
        ReadCase{"blank_and_comment_lines", "\r\n;c\r\n[A]\r\n\r\n; k=x\r\nk=v\r\n", "A", "k", "v"},
        ReadCase{"comment_is_no_key", "[A]\r\n;k=x\r\n", "A", ";k", "DEF"},
        // A line without '=' is a key without value: absent to a read, yet the first of its name.
        ReadCase{"key_without_equals_gives_default", "[A]\r\njunk\r\nk=v\r\n", "A", "junk", "DEF"},
        ReadCase{"key_without_equals_hides_a_later_value", "[A]\r\n Key \r\nk=v\r\n", "A", "KEY", "DEF"},
        ReadCase{"key_without_equals_is_no_value_for_other_keys", "[A]\r\nj\r\nk=v\r\n", "A", "k", "v"},
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
        ReadCase{"header_without_bracket_is_a_key_of_the_section_before", "[A]\r\n[B\r\nk=v\r\n", "A", "k", "v"},
        ReadCase{"text_after_bracket_ignored", "[A] ; note\r\nk=v\r\n", "A", "k", "v"},
        ReadCase{"section_name_runs_to_the_last_bracket", "[a]b] ; note\r\nk=v\r\n", "A]B", "k", "v"},
        ReadCase{"section_name_with_brackets_inside", "[[x] [y]]\r\nk=v\r\n", "[x] [y]", "k", "v"},
        ReadCase{"no_section_up_to_an_earlier_bracket", "[a]b]\r\nk=v\r\n", "a", "k", "DEF"},
        ReadCase{"trail_bracket_after_the_last_bracket_is_none", "[A]" + kTrailBracket + "\r\nk=v\r\n", "A", "k", "v"},
        ReadCase{"utf8_mark_skipped", kUtf8Mark + "[A]\r\nk=v\r\n", "A", "k", "v"},
        ReadCase{"utf16le_file_reads_as_empty", "\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0v\0"s, "A", "k", "DEF"},
        ReadCase{"utf16be_file_reads_as_empty", "\xFE\xFF\0[\0A\0]\0\r\0\n\0k\0=\0v"s, "A", "k", "DEF"},
        ReadCase{"cut_to_254_bytes", "[A]\r\nk=" + k300 + "\r\n", "A", "k", k300.substr(0, 254)},
        // 253 ASCII bytes and a double-byte character: the character would end at byte 255.
        ReadCase{"cut_never_splits_a_character", "[A]\r\nk=" + std::string(253, 'x') + kChuanZhen + "\r\n", "A", "k",
                 std::string(253, 'x')},
        ReadCase{"character_ending_at_254_kept", "[A]\r\nk=" + std::string(252, 'x') + kChuanZhen + "\r\n", "A", "k",
                 std::string(252, 'x') + kChuanZhen.substr(0, 2)},
        ReadCase{"nul_ends_the_value", "[A]\r\nk=ab\0cd\r\n"s, "A", "k", "ab"},
        ReadCase{"long_line_before_key", "[A]\r\nbig=" + std::string(70000, 'y') + "\r\nk=v\r\n", "A", "k", "v"},
        ReadCase{"missing_file_content", "", "A", "k", "DEF"}),
    [](const testing::TestParamInfo<ReadCase>& p) { return std::string(p.param.name); });

struct IntCase {
    const char* name;
    std::string value;     // the line "k=" + value in section A; empty: no key k at all
    int expected;          // the default is always -1
    std::string more = ""; // lines after it
};

void PrintTo(const IntCase& c, std::ostream* os) {
    *os << c.name;
}

class ProfileReadInt : public testing::TestWithParam<IntCase> {};

TEST_P(ProfileReadInt, ReadsTheNumberTheWindowsProfileFunctionsWouldGive) {
    const IntCase& c = GetParam();
    const std::string path = FreshPath();
    WriteFile(path, "[A]\r\n" + (c.value.empty() ? std::string() : "k=" + c.value + "\r\n") + c.more);
    EXPECT_EQ(profile::GetInt(path, "A", "k", -1), c.expected);
    EXPECT_EQ(ProfileFile::Load(path).GetInt("A", "k", -1), c.expected) << "a loaded file reads alike";
    EXPECT_EQ(profile::GetInts(path, "A", {{"k", -1}, {"absent", 5}}), (std::vector<int>{c.expected, 5}))
        << "several keys at once read alike";
}

const std::string k28Zeros(28, '0');

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileReadInt,
    testing::Values(IntCase{"plain", "42", 42}, IntCase{"leading_digits", "7abc", 7}, IntCase{"no_digit", "abc", 0},
                    IntCase{"sign_is_no_digit", "-5", 0}, IntCase{"absent", "", -1},
                    IntCase{"empty_value_gives_default", "", -1, "k=\r\n"},
                    IntCase{"saturates", "99999999999999999999999", 2147483647}, IntCase{"quoted", "\"12\"", 12},
                    IntCase{"blanks", " 8 ", 8},
                    // Only the first 29 characters come through the text buffer: "0...01", not "0...012".
                    IntCase{"first_29_characters_count", k28Zeros + "12", 1},
                    IntCase{"29_characters_after_the_quotes", "\"" + k28Zeros + "12\"", 1},
                    IntCase{"key_without_equals_gives_default", "", -1, "k\r\nk=5\r\n"},
                    IntCase{"ctrl_z_trimmed", std::string(1, '\x1A') + "9\x1A", 9}),
    [](const testing::TestParamInfo<IntCase>& p) { return std::string(p.param.name); });

struct WriteCase {
    const char* name;
    std::string before; // empty: no file
    std::function<void(ProfileFile&)> change;
    std::string after;
    bool refused = false; // the save must fail and leave `before` as it was
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
    EXPECT_EQ(file.Save(), !c.refused);
    EXPECT_EQ(ReadFile(path), c.refused ? c.before : c.after);
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
        WriteCase{"key_without_equals_gets_the_value", "[A]\r\nk\r\nK=2\r\n",
                  [](ProfileFile& f) { f.WriteString("A", "K", "9"); }, "[A]\r\nK=9\r\nK=2\r\n"},
        WriteCase{"cr_only_file_keeps_its_lines", "[A]\rk=1\rj=2\r[B]\rx=1",
                  [](ProfileFile& f) {
                      f.WriteString("A", "j", "3");
                      f.WriteString("a", "n", "4");
                  },
                  "[A]\rk=1\rj=3\r\nn=4\r\n[B]\rx=1"},
        WriteCase{"cr_cr_lf_file_keeps_its_lines", "[A]\r\r\nk=1\r\r\n\r\r\n",
                  [](ProfileFile& f) { f.WriteString("A", "j", "2"); }, "[A]\r\r\nk=1\r\r\nj=2\r\n\r\r\n"},
        WriteCase{"ctrl_z_at_end_stays_after_the_keys", "[A]\r\nk=1\r\n\x1A",
                  [](ProfileFile& f) { f.WriteString("A", "j", "2"); }, "[A]\r\nk=1\r\nj=2\r\n\x1A"},
        WriteCase{"section_with_brackets_found_again", "[a]b]\r\nk=1\r\n",
                  [](ProfileFile& f) { f.WriteString("A]B", "k", "2"); }, "[a]b]\r\nk=2\r\n"},
        WriteCase{"utf8_mark_kept_and_section_found_again", kUtf8Mark + "[A]\r\nk=1\r\n",
                  [](ProfileFile& f) {
                      f.WriteString("A", "k", "2");
                      f.WriteString("A", "j", "3");
                  },
                  kUtf8Mark + "[A]\r\nk=2\r\nj=3\r\n"},
        WriteCase{"utf16_file_never_overwritten", "\xFF\xFE[\0A\0]\0"s,
                  [](ProfileFile& f) { f.WriteString("A", "k", "1"); }, "", true},
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

// A file an editor saved as UTF-8 with its mark: read as UTF-8 (the callers get GBK: the page file
// is found, the sender reads right), written back as UTF-8 behind the mark, untouched lines byte
// for byte, never GBK bytes among UTF-8 ones.
TEST(ProfileFile, AUtf8FileIsReadAsUtf8AndWrittenBackAsUtf8) {
    const std::string path = FreshPath();
    const std::string lines = "[FAX]\r\nNUM=1\r\n[FAX1]\r\nFILE=/home/张/传真/20240101.TIF\r\nID=上海分公司\r\n";
    WriteFile(path, kUtf8Mark + lines);
    ProfileFile file = ProfileFile::Load(path);
    EXPECT_EQ(file.GetString("FAX1", "ID", ""), gbk::ToStd(QStringLiteral("上海分公司")));
    EXPECT_EQ(file.GetString("FAX1", "FILE", ""), gbk::ToStd(QStringLiteral("/home/张/传真/20240101.TIF")));
    EXPECT_EQ(profile::GetString(path, "FAX1", "ID", ""), gbk::ToStd(QStringLiteral("上海分公司")));
    file.WriteString("FAX2", "ID", gbk::ToStd(QStringLiteral("北京")));
    ASSERT_TRUE(file.Save());
    EXPECT_EQ(ReadFile(path), kUtf8Mark + lines + "[FAX2]\r\nID=北京\r\n");
    EXPECT_EQ(profile::GetString(path, "FAX2", "ID", ""), gbk::ToStd(QStringLiteral("北京")));

    // A character GBK cannot spell, or bytes that are no UTF-8: the file could not be written back
    // as it was, so it is not ours to read, and never overwritten.
    for (const std::string& text : {"[A]\r\nk=✈\r\n"s, "[A]\r\nk=\xC3\x28\r\n"s}) {
        WriteFile(path, kUtf8Mark + text);
        EXPECT_EQ(profile::GetString(path, "A", "k", "none"), "none");
        EXPECT_FALSE(profile::WriteString(path, "A", "j", "1"));
        EXPECT_EQ(ReadFile(path), kUtf8Mark + text);
    }
}

TEST(ProfileFile, BadFilesReadAsEmptyWithoutCrashOrHang) {
    const std::string dir = testsupport::MakeTempDir();
    EXPECT_EQ(profile::GetString(dir + "absent.ini", "A", "k", "DEF"), "DEF");
    EXPECT_EQ(profile::GetInts(dir + "absent.ini", "A", {{"k", 3}, {"j", 4}}), (std::vector<int>{3, 4}));

    WriteFile(dir + "empty.ini", "");
    EXPECT_EQ(profile::GetInt(dir + "empty.ini", "A", "k", 7), 7);

    std::string garbage;
    for (int i = 0; i < 100000; ++i)
        garbage += static_cast<char>((i * 7919) % 256);
    WriteFile(dir + "garbage.ini", garbage);
    ProfileFile g = ProfileFile::Load(dir + "garbage.ini");
    const std::vector<std::string> sections = g.SectionNames();
    EXPECT_EQ(g.GetString("A", "k", "DEF"), "DEF");
    g.WriteString("A", "k", "v");
    EXPECT_TRUE(g.Save());
    EXPECT_EQ(profile::GetString(dir + "garbage.ini", "A", "k", ""), "v");
    // The garbage is kept as it was: its sections read back alike, the new one added at the end.
    std::vector<std::string> expected = sections;
    expected.push_back("A");
    EXPECT_EQ(ProfileFile::Load(dir + "garbage.ini").SectionNames(), expected);

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

// Permissions do not bind root, and CI runs as root: there the checks run in a child process that
// has given up root for the unprivileged user "nobody", who is made owner of `paths`.
void AsUnprivileged(const std::vector<std::string>& paths, const std::function<void()>& checks) {
    if (geteuid() != 0) {
        checks();
        return;
    }
    constexpr uid_t kNobody = 65534;
    for (const std::string& path : paths)
        ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0) << path;
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0 || geteuid() == 0)
                _exit(2);
            checks();
            _exit(::testing::Test::HasFailure() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ProfileFile, FailedWriteLeavesTheOldFileWhole) {
    const std::string dir = testsupport::MakeTempDir();
    const std::string path = dir + "RERAVA.INI";
    WriteFile(path, "[A]\r\nk=1\r\n");
    AsUnprivileged({dir, path}, [&] {
        // No file can be made in the directory: the temporary file beside the old one fails.
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
    });
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

// A full disk: the save fails, says so, and the file keeps every byte (Qt 6.4's QSaveFile reported
// success here and renamed a short file over RERAVA.INI). The row-map save of the list's first
// load is such a save, with every record of the file behind it.
TEST(ProfileFile, ASaveOntoAFullDiskFailsAndLeavesTheFileWhole) {
    std::string why;
    const std::string mounted = testsupport::MountSmallFileSystem(testsupport::MakeTempDir() + "small", "64k", why);
    if (mounted.empty())
        GTEST_SKIP() << "no small file system to fill: " << why;
    const std::string path = mounted + "/RERAVA.INI";
    std::string before = "[DEZAZAZE]\r\nINSTALL=1\r\n[FAX]\r\nNUM=40\r\n";
    for (int i = 1; i <= 40; ++i)
        before += "[FAX" + std::to_string(i) + "]\r\nFILE=/x/" + std::to_string(i) + ".TIF\r\n";
    WriteFile(path, before);
    testsupport::FillFileSystem(mounted);

    ProfileFile ini = ProfileFile::Load(path);
    for (int row = 0; row < 40; ++row)
        ini.WriteString("TMP", std::to_string(row), "/x/" + std::to_string(row + 1) + ".TIF");
    EXPECT_FALSE(ini.Save());
    EXPECT_EQ(ReadFile(path), before);
    const auto entries =
        std::distance(std::filesystem::directory_iterator(mounted), std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 2) << "RERAVA.INI and the filler, no temporary file left";

    // With room again the same save goes through.
    std::filesystem::remove(mounted + "/filler");
    EXPECT_TRUE(ini.Save());
    EXPECT_EQ(profile::GetString(path, "TMP", "39", ""), "/x/40.TIF");
    EXPECT_EQ(profile::GetString(path, "DEZAZAZE", "INSTALL", ""), "1");
    ::umount2(mounted.c_str(), MNT_DETACH);
}

} // namespace
