// SPDX-License-Identifier: GPL-3.0-or-later
// RERAVA.INI is edited by hand and was written by other programs: any bytes must load. Writing the
// file back must not change what it reads as, and writing back a value that was read must read
// back as the same value.
#include "FuzzSupport.h"
#include "core/platform/ProfileFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

using fuzzsupport::Check;

namespace {

// A section no input names: its entry only forces the save.
constexpr const char* kMarkSection = "fuzz mark 1f";
constexpr const char* kAbsent = "\x01"
                                "absent";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Trim(const std::string& s) {
    size_t begin = 0, end = s.size();
    while (begin < end && IsBlank(s[begin]))
        ++begin;
    while (end > begin && IsBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

bool HasControl(const std::string& s) {
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            return true;
    }
    return false;
}

// What gets asked: every section the file names, with every key that some line of the input
// names (the text before a line's first '='), however the file's own parser files them.
struct Queries {
    std::vector<std::string> sections;
    std::vector<std::string> keys;
};

// Whether a section name is the mark's, in any case: an input may name it too (the fuzzer learns
// the text from the comparisons), and that section then changes with the mark.
bool IsMark(const std::string& name) {
    const std::string mark = kMarkSection;
    if (name.size() != mark.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] - 'A' + 'a') : name[i];
        if (c != mark[i])
            return false;
    }
    return true;
}

Queries QueriesOf(const std::string& bytes, const ProfileFile& ini) {
    Queries q;
    for (const std::string& name : ini.SectionNames()) {
        if (q.sections.size() < 8 && !IsMark(Trim(name)))
            q.sections.push_back(name);
    }
    size_t pos = 0;
    while (pos < bytes.size() && q.keys.size() < 16) {
        size_t eol = bytes.find('\n', pos);
        if (eol == std::string::npos)
            eol = bytes.size();
        const std::string line = bytes.substr(pos, eol - pos);
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            q.keys.push_back(Trim(line.substr(0, eq)));
        pos = eol + 1;
    }
    return q;
}

struct Reading {
    std::vector<std::string> sections;
    std::vector<std::string> texts;
    std::vector<int> numbers;
    bool operator==(const Reading&) const = default;
};

Reading Read(const ProfileFile& ini, const Queries& q) {
    Reading r;
    for (std::string& name : ini.SectionNames()) {
        if (!IsMark(Trim(name)))
            r.sections.push_back(std::move(name));
    }
    for (const std::string& section : q.sections) {
        for (const std::string& key : q.keys) {
            r.texts.push_back(ini.GetString(section, key, kAbsent));
            r.numbers.push_back(ini.GetInt(section, key, -7));
        }
    }
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // In memory: the bytes Save() would write, read by the rules Load() reads a file by, without
    // a file write per input.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ProfileFile first = ProfileFile::Parse(bytes);
    const Queries q = QueriesOf(bytes, first);
    const Reading before = Read(first, q);
    for (const std::string& text : before.texts)
        Check(text.size() <= 254);

    // Written back whole (a new section at the end makes it a change).
    first.WriteString(kMarkSection, "k", "v");
    ProfileFile second = ProfileFile::Parse(first.Bytes());
    Check(Read(second, q) == before);
    Check(second.GetString(kMarkSection, "K", kAbsent) == "v");

    // Every value written back as it was read. A value with a control character is written with
    // a blank in its place, one in a pair of quotes loses them when read, and one that a zero byte
    // cut behind a blank loses that blank: none of them can come back alike, as with the Windows
    // profile functions.
    size_t i = 0;
    for (const std::string& section : q.sections) {
        for (const std::string& key : q.keys) {
            const std::string& value = before.texts[i++];
            const bool quoted =
                value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
            const bool blankEnd = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
            if (value == kAbsent || quoted || blankEnd || HasControl(value) || HasControl(section) || HasControl(key))
                continue;
            second.WriteString(section, key, value);
        }
    }
    Check(Read(ProfileFile::Parse(second.Bytes()), q) == before);
    return 0;
}
