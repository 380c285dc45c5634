// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fax/FaxRecordStore.h"

#include "core/platform/Gbk.h"
#include "core/platform/ProfileFile.h"
#include "core/platform/ProgramIni.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr const char* kCounterSection = "FAX";
constexpr const char* kCounterKey = "NUM";
constexpr const char* kRowMapSection = "TMP";

std::string RecordSection(int number) {
    return std::string(kCounterSection) + std::to_string(number);
}

// The record number of a section named "FAX" and a number in decimal without leading zeros (in
// any case of letters, as the profile compares names), or 0.
int RecordNumberOf(const std::string& section) {
    if (section.size() < 4 || section.size() > 13)
        return 0;
    for (size_t i = 0; i < 3; ++i) {
        if ((section[i] | 0x20) != "fax"[i])
            return 0;
    }
    if (section[3] == '0')
        return 0;
    long long number = 0;
    for (size_t i = 3; i < section.size(); ++i) {
        if (section[i] < '0' || section[i] > '9')
            return 0;
        number = number * 10 + (section[i] - '0');
    }
    return number > INT_MAX ? 0 : static_cast<int>(number);
}

// The record in `section` as a load hands it on; false when the section holds no record.
bool ReadRecordFrom(const ProfileFile& ini, const std::string& section, FaxRecord& record) {
    record.section = section;
    record.time = ini.GetString(section, "TIME", FaxRecordStore::kNull);
    if (record.time == FaxRecordStore::kNull)
        return false;
    record.id = ini.GetString(section, "ID", "");
    record.read = ini.GetInt(section, "READ", 0) == 1;
    record.page = ini.GetString(section, "PAGE", "");
    record.fine = ini.GetInt(section, "RES", 0) == 1;
    record.file = ini.GetString(section, "FILE", "");
    record.incomplete = ini.GetString(section, "INCOMPLETE", "");
    record.incompleteCheck = ini.GetString(section, "INCOMPLETECHECK", "");
    return true;
}

// Marks the record in `section` as a fax whose last page broke off, or as whole.
void WriteBrokenMark(ProfileFile& ini, const std::string& section, const BrokenFax* broken) {
    if (broken) {
        ini.WriteString(section, "Incomplete", broken->Incomplete());
        ini.WriteString(section, "IncompleteCheck", broken->Check());
    } else {
        ini.DeleteKey(section, "Incomplete");
        ini.DeleteKey(section, "IncompleteCheck");
    }
}

} // namespace

std::optional<BrokenFax> BrokenFaxOf(const FaxRecord& record) {
    BrokenFax broken;
    if (std::sscanf(record.incomplete.c_str(), "%d/%d", &broken.endedPages, &broken.begunPages) != 2)
        return std::nullopt;
    unsigned long length = 0;
    char digest[41] = {};
    if (std::sscanf(record.incompleteCheck.c_str(), "%lu:%40[0-9a-f]", &length, digest) == 2 && length <= UINT32_MAX) {
        broken.endedLength = static_cast<uint32_t>(length);
        broken.digest = digest;
    }
    return broken;
}

void FaxRecordStore::OpenStoreIn(const std::string& programDirectory) {
    m_iniPath = programini::PathIn(programDirectory);
}

std::string FaxRecordStore::ProgramDirectory() const {
    return programini::DirectoryOf(m_iniPath);
}

std::string FaxRecordStore::IdAsKept(const std::string& id) {
    ProfileFile kept = ProfileFile::Parse({});
    kept.WriteString("FAX", "ID", id);
    return kept.GetString("FAX", "ID", "");
}

std::optional<int> FaxRecordStore::AppendRecord(const std::string& file, const std::string& time, const std::string& id,
                                                uint8_t pageCount, bool fine, const BrokenFax* broken) {
    ProfileFile ini = ProfileFile::Load(m_iniPath);
    // A record is never written over another: the new number lies above the counter and above every
    // record section present, which a counter set back by hand or a restored older copy of the file
    // may have left below them.
    int highest = ini.GetInt(kCounterSection, kCounterKey, 0);
    for (const std::string& name : ini.SectionNames())
        highest = std::max(highest, RecordNumberOf(name));
    if (highest == INT_MAX)
        return std::nullopt; // no number left to give out; nothing is written
    const int number = highest + 1;
    const std::string section = RecordSection(number);
    // The same writes, in the same order, as one key at a time would make; the file is saved once
    // and therefore holds either the whole record or none of it.
    ini.WriteString(kCounterSection, kCounterKey, std::to_string(number));
    ini.WriteString(section, "FILE", file);
    ini.WriteString(section, "TIME", time);
    ini.WriteString(section, "ID", id);
    ini.WriteString(section, "Read", "0");
    ini.WriteString(section, "Page", std::to_string(pageCount));
    ini.WriteString(section, "Res", fine ? "1" : "0");
    if (broken)
        WriteBrokenMark(ini, section, broken);
    if (!ini.Save())
        return std::nullopt;
    return number;
}

bool FaxRecordStore::MarkWhole(const std::string& section) {
    ProfileFile ini = ProfileFile::Load(m_iniPath);
    if (!ini.HasSection(section))
        return false;
    WriteBrokenMark(ini, section, nullptr);
    return ini.Save();
}

std::optional<FaxRecord> FaxRecordStore::RecordOfFile(const std::string& file) const {
    const ProfileFile ini = ProfileFile::Load(m_iniPath);
    for (const std::string& name : ini.SectionNames()) {
        FaxRecord record;
        if (RecordNumberOf(name) > 0 && ReadRecordFrom(ini, name, record) && record.file == file)
            return record;
    }
    return std::nullopt;
}

std::vector<FaxRecord> FaxRecordStore::IncompleteRecords() const {
    const ProfileFile ini = ProfileFile::Load(m_iniPath);
    std::vector<FaxRecord> records;
    for (const std::string& name : ini.SectionNames()) {
        FaxRecord record;
        if (RecordNumberOf(name) > 0 && ReadRecordFrom(ini, name, record) && !record.incomplete.empty())
            records.push_back(std::move(record));
    }
    return records;
}

bool FaxRecordStore::ReplaceRecord(const std::string& section, const std::string& file, uint8_t pageCount, bool fine,
                                   const BrokenFax* broken) {
    ProfileFile ini = ProfileFile::Load(m_iniPath);
    FaxRecord record;
    if (!ReadRecordFrom(ini, section, record))
        return false;
    ini.WriteString(section, "FILE", file);
    ini.WriteString(section, "Page", std::to_string(pageCount));
    ini.WriteString(section, "Res", fine ? "1" : "0");
    WriteBrokenMark(ini, section, broken);
    return ini.Save();
}

void FaxRecordStore::LoadRecords(const std::function<void(const FaxRecord&)>& receiver) {
    ProfileFile ini = ProfileFile::Load(m_iniPath);
    const int last = ini.GetInt(kCounterSection, kCounterKey, 0);
    if (last <= 0)
        return;
    // The sections numbered 1 to "NUM" that exist, in increasing number: the same records as
    // asking for every number in turn, without millions of passes when "NUM" is huge.
    std::vector<int> numbers;
    for (const std::string& name : ini.SectionNames()) {
        const int number = RecordNumberOf(name);
        if (number >= 1 && number <= last)
            numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());

    int row = 0;
    for (const int number : numbers) {
        FaxRecord record;
        if (!ReadRecordFrom(ini, RecordSection(number), record))
            continue;
        receiver(record);
        const std::string key = std::to_string(row);
        ini.WriteString(kRowMapSection, key, record.file);
        ini.WriteString(kRowMapSection, key + "FILE", record.section);
        ++row;
    }
    // One save for the whole row map (nothing is written when it was already up to date).
    ini.Save();
}

bool FaxRecordStore::ReadRecord(const std::string& section, FaxRecord& record) const {
    return ReadRecordFrom(ProfileFile::Load(m_iniPath), section, record);
}

std::string FaxRecordStore::FileOfRow(int row) const {
    return profile::GetString(m_iniPath, kRowMapSection, std::to_string(row), kNull);
}

std::string FaxRecordStore::SectionOfRow(int row) const {
    return profile::GetString(m_iniPath, kRowMapSection, std::to_string(row) + "FILE", kNull);
}

void FaxRecordStore::MarkRead(const std::string& section) {
    ProfileFile ini = ProfileFile::Load(m_iniPath);
    // A record deleted meanwhile (or the row map's "NULL") must not come back as a stray section.
    if (!ini.HasSection(section))
        return;
    ini.WriteString(section, "READ", "1");
    ini.Save();
}

void FaxRecordStore::RemoveRecord(const std::string& section) {
    profile::DeleteSection(m_iniPath, section);
}

void FaxRecordStore::DropRowMap() {
    profile::DeleteSection(m_iniPath, kRowMapSection);
}

bool FaxRecordStore::DeleteFax(const std::string& section, const std::string& file) {
    ProfileFile ini = ProfileFile::Load(m_iniPath);
    ini.DeleteSection(section);
    ini.DeleteSection(kRowMapSection);
    // A record that could not be removed (a full disk, a file that cannot be written) keeps its page
    // file: a record without one would lead nowhere.
    if (!ini.Save())
        return false;
    if (!file.empty())
        std::remove(gbk::ToNativePath(file).c_str());
    return true;
}
