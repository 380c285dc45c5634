// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/fax/CaptureLayout.h"
#include "core/modem/ModemLink.h"
#include "core/platform/SyncedFile.h"

#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QDateTime;

// The capture of one fax (its layout: CaptureLayout.h). The modem link hands the page data in
// (PageSink); after every page the header counts it and the file is forced to the disk, so that a
// capture left by a crash holds every page that ended; the page file writer reads the finished file.
class CaptureFile final : public PageSink {
public:
    static constexpr size_t kHeaderSize = capture::kHeaderSize;
    static constexpr size_t kDcsOffset = capture::kDcsOffset;
    static constexpr size_t kDcsLength = capture::kDcsLength;
    static constexpr size_t kIdOffset = capture::kIdOffset;
    static constexpr size_t kIdLength = capture::kIdLength;
    static constexpr size_t kPageCountOffset = capture::kPageCountOffset;
    static constexpr size_t kDataLengthOffset = capture::kDataLengthOffset;
    static constexpr const char* kPageTableMark = capture::kPageTableMark;
    static constexpr int kMaxPages = capture::kMaxPages;

    CaptureFile() = default;
    // Closes the file and leaves it where it is.
    ~CaptureFile() override;
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    // A new capture file in `directory` (ending in '/'), created exclusively, with the header of a
    // fax whose answer report gave `dcs` and `id` and no page data yet. False when none could be made.
    bool Create(const std::string& directory, const std::string& dcs, const std::string& id);
    // Page data, appended as it comes; false when it could not be written (a full disk), and every
    // later append and EndPage fail too.
    bool Append(const char* data, size_t count) override;
    // A page has ended (`withDleEtx`: by the modem's DLE ETX, whose DLE is the last byte appended):
    // the header counts it with the data so far, and the file is on the disk. False when that could
    // not be written.
    bool EndPage(bool withDleEtx);
    // A page after the first broke off (silence, a hang-up, the line gone): it is counted with what
    // came of it, the capture says which pages ended before it, and no page follows. The modem has
    // not played the fax out and still holds it. False when that could not be written.
    bool EndBrokenPage();
    // Whether the fax's last page broke off (EndBrokenPage, or a header that says so).
    bool Broken() const { return EndedPages() > 0; }
    // In a broken fax: the pages that ended, and the length of their page data.
    int EndedPages() const { return m_header[capture::kEndedPagesOffset]; }
    uint32_t EndedLength() const;
    // The pages the modem began to play: those counted, and one more where a capture left behind
    // holds data of a page that never ended.
    int BegunPages() const { return m_pages + (m_unendedTail ? 1 : 0); }
    // A check of the first `length` bytes of the page data (SHA-1, in hex), that tells a copy of the
    // same fax played again; empty when they cannot be read.
    std::string DigestOfData(uint32_t length) const;
    // Whether an append or a page's end could not be written.
    bool Failed() const { return m_failed; }
    // Writes the page table behind the data and the page count and the data length into the header,
    // and closes the file; false when they could not be written.
    bool Finish(int pageCount);
    // Sets the page count of the finished capture: the pages its page file could hold.
    bool RewritePageCount(int pageCount);
    // Names in the finished capture the page file (a name in the program directory) that is made of
    // it, on the disk before that file is begun; false when that could not be written.
    bool NamePageFile(const std::string& fileName);
    // The page file named so, or empty.
    std::string PageFileName() const;
    // Closes the file and removes it: its fax is kept elsewhere or was never given away.
    void Remove();
    // A finished capture that did not become a page file is the only copy of its fax (the modem
    // forgets a fax once it has played it out): it moves into `programDirectory` (ending in '/')
    // under a name that says what it is and when it came ("20240305140709-未转换的传真.TAM").
    // Where it cannot be moved it stays where it is; it is never deleted. Path() names where it is.
    void SetAside(const std::string& programDirectory, const QDateTime& time, const QString& what);
    // Takes up a capture left behind (by a crash, or a read that could not save it): true when its
    // header names at least one page and the data it counts is there. One that a crash left before
    // it was finished is a broken fax: the modem had not yet said it had played it out.
    bool Adopt(const std::string& path);

    const std::string& Path() const { return m_path; }
    // The pages the header counts.
    int Pages() const { return m_pages; }
    // The header's DCS text and sender's identification.
    std::string Dcs() const;
    std::string Id() const;
    // The page data appended so far.
    uint32_t DataLength() const { return m_dataLength; }

private:
    void Close();
    bool WriteCountAndLength(int pageCount);

    std::string m_path;
    SyncedFile m_file;
    uint32_t m_dataLength = 0;
    int m_pages = 0;
    bool m_failed = false;
    bool m_unendedTail = false; // an adopted capture holds data of a page that never ended
    uint32_t m_pageStart = 0;
    std::vector<std::pair<uint32_t, uint32_t>> m_pageSpans; // first byte, byte behind the last
    std::array<uint8_t, kHeaderSize> m_header{};
};
