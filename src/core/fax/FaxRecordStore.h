// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One received fax as the load hands it on. Texts are GBK bytes as stored.
struct FaxRecord {
    std::string section; // "FAX" followed by the record number
    std::string time;    // "%Y/%m/%d  %H:%M:%S"
    std::string id;      // empty when absent
    bool read = false;   // "READ" is 1
    std::string page;    // empty when absent
    bool fine = false;   // "RES" is 1
    std::string file;    // empty when absent
    // A fax whose last page broke off while the modem still held it: "1/2" (the pages that ended of
    // those begun), and the check that tells the same fax played again ("<length>:<SHA-1>" of the
    // page data of the pages that ended). Both empty for a whole fax.
    std::string incomplete;
    std::string incompleteCheck;
};

// What marks a record as a fax whose last page broke off (FaxRecord::incomplete).
struct BrokenFax {
    int endedPages = 0;
    int begunPages = 0;
    uint32_t endedLength = 0;
    std::string digest;

    std::string Incomplete() const { return std::to_string(endedPages) + '/' + std::to_string(begunPages); }
    std::string Check() const { return std::to_string(endedLength) + ':' + digest; }
};
// The mark of a record as written by Incomplete() and Check(); none when the record has no readable
// "Incomplete" value. A check that cannot be read leaves the length 0 and the digest empty.
std::optional<BrokenFax> BrokenFaxOf(const FaxRecord& record);

// The fax records of RERAVA.INI: a counter that only grows, one section per fax, and the row map
// (section "TMP") that ties the rows of the list to their records. Every operation reads or writes
// the file; nothing is kept in memory between operations.
class FaxRecordStore {
public:
    static constexpr const char* kNull = "NULL";

    // RERAVA.INI in the program directory `programDirectory` (with its trailing '/').
    void OpenStoreIn(const std::string& programDirectory);
    // Uses `iniPath` as the file directly.
    void OpenStoreAt(const std::string& iniPath) { m_iniPath = iniPath; }
    const std::string& IniPath() const { return m_iniPath; }
    // The directory of the file, with its trailing '/'.
    std::string ProgramDirectory() const;
    // A sender identification as a record keeps it and LoadRecords gives it back: its line ends
    // made blanks, trimmed.
    static std::string IdAsKept(const std::string& id);

    // Returns the new record number; none when nothing could be written (the counter has no number
    // left, or the file could not be saved: a full disk), the file then being as it was.
    // `broken` marks a fax whose last page broke off.
    std::optional<int> AppendRecord(const std::string& file, const std::string& time, const std::string& id,
                                    uint8_t pageCount, bool fine, const BrokenFax* broken = nullptr);
    // The fax of the record in `section` came whole after all: its incomplete mark goes.
    bool MarkWhole(const std::string& section);
    // The record that names the page file `file` (GBK, as stored), if there is one.
    std::optional<FaxRecord> RecordOfFile(const std::string& file) const;
    // Every record of a fax whose last page broke off.
    std::vector<FaxRecord> IncompleteRecords() const;
    // The fax of the record in `section` came again, in `file`: the record names the new page file,
    // its pages and resolution, and is marked by `broken` or whole; its time, sender and read mark
    // stay. One save; false when it could not be written (the file then as it was) or the section
    // holds no record. The page file the record named before stays for the caller to remove.
    bool ReplaceRecord(const std::string& section, const std::string& file, uint8_t pageCount, bool fine,
                       const BrokenFax* broken);
    // Hands each present record to `receiver` in increasing record number and rebuilds the row map.
    void LoadRecords(const std::function<void(const FaxRecord&)>& receiver);
    // The record in `section`, read as the load reads it; false when the section holds none.
    bool ReadRecord(const std::string& section, FaxRecord& record) const;
    std::string FileOfRow(int row) const;    // "NULL" when absent
    std::string SectionOfRow(int row) const; // "NULL" when absent
    void MarkRead(const std::string& section);
    void RemoveRecord(const std::string& section);
    void DropRowMap();
    // The delete command's file work: the record and the row map go in one save, then the page file
    // `file` (GBK, as the row map holds it; empty for none). A delete cut short leaves at worst a
    // page file without a record, never a record whose page file is gone. False when the record could
    // not be removed: the page file then stays too.
    bool DeleteFax(const std::string& section, const std::string& file);

private:
    std::string m_iniPath;
};
