// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fax/FaxFileWriter.h"

#include "core/fax/CaptureLayout.h"
#include "core/fax/MhLine.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>

namespace {

constexpr uint32_t kHeaderSize = 8;
constexpr uint32_t kFirstIfdOffset = 10; // bytes 8 and 9 stay a hole of zeros
constexpr uint32_t kEntryCount = 15;
constexpr uint32_t kEntriesSize = kEntryCount * 12; // 180
// Entry count, entries, next-directory offset, XResolution and YResolution rationals.
constexpr uint32_t kNextIfdField = 2 + kEntriesSize;          // 182
constexpr uint32_t kXResolutionField = kNextIfdField + 4;     // 186
constexpr uint32_t kYResolutionField = kXResolutionField + 8; // 194
constexpr uint32_t kPageBlockSize = kYResolutionField + 8;    // 202, the strip follows
constexpr uint32_t kPageWidth = 1728;

// The capture's layout is CaptureFile's; byte 3, the DCS text's first, is '1' for fine resolution.
constexpr uint32_t kCaptureResolutionByte = capture::kDcsOffset;
constexpr uint32_t kCapturePageCountByte = capture::kPageCountOffset;
constexpr uint32_t kCaptureLengthField = capture::kDataLengthOffset;
constexpr uint32_t kCaptureHeaderSize = capture::kHeaderSize;

// An EOL is at least 11 zero bits closed by a one (T.4 allows fill zeros in front of it).
constexpr uint32_t kEolZeros = 11;
// No T.4 code word holds more than 7 zeros and two adjacent ones at most 10, so a run of 15 is
// fill; 14 zeros are kept so that every EOL still has its 11 after the cut.
constexpr uint32_t kMaxZeroRun = 14;
// Six EOLs with nothing but fill between them form the RTC that closes a page.
constexpr uint32_t kRtcEols = 6;
// An EOL takes 12 bits: fewer behind the last one cannot hold a line.
constexpr uint32_t kEolBits = 12;

enum : uint16_t { kShort = 3, kLong = 4, kRational = 5 };

void PutU16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void PutU32(uint8_t* p, uint32_t v) {
    PutU16(p, v & 0xFFFF);
    PutU16(p + 2, v >> 16);
}

uint64_t LoadBigEndian64(const uint8_t* p) {
    // One load and one byte swap: a loop over the bytes cost half of the page's decoding.
    uint64_t v = 0;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::little) {
        v = (v & 0x00000000FFFFFFFFu) << 32 | (v & 0xFFFFFFFF00000000u) >> 32;
        v = (v & 0x0000FFFF0000FFFFu) << 16 | (v & 0xFFFF0000FFFF0000u) >> 16;
        v = (v & 0x00FF00FF00FF00FFu) << 8 | (v & 0xFF00FF00FF00FF00u) >> 8;
    }
    return v;
}

// True when the word holds 11 or more zero bits in a row anywhere.
bool HasZeroRunOf11(uint64_t word) {
    const uint64_t z = ~word;
    uint64_t run = z & z << 1; // bit i: zeros at i and i-1
    run &= run << 2;           // 4 in a row
    run &= run << 4;           // 8 in a row
    run &= run << 3;           // 11 in a row
    return run != 0;
}

bool SeekTo(std::FILE* f, uint32_t offset) {
    // Offsets are 32-bit in classic TIFF; fseek takes a long, which is 32-bit on Windows.
    if (offset > 0x7FFFFFFFu || std::fseek(f, static_cast<long>(offset), SEEK_SET) != 0) {
        return false;
    }
    return std::ftell(f) == static_cast<long>(offset);
}

bool ReadAt(std::FILE* f, uint32_t offset, uint8_t* out, size_t size, bool& seekFailed) {
    seekFailed = !SeekTo(f, offset);
    return !seekFailed && std::fread(out, 1, size, f) == size;
}

} // namespace

FaxFileWriter::~FaxFileWriter() {
    CloseFile();
}

bool FaxFileWriter::Convert(const std::string& capturePath, const std::string& tiffPath) {
    m_result = kOk;
    m_detail = kDetailNone;
    m_pagesWritten = 0;
    ResetInput();
    ResetPage();
    if (!ReadCapture(capturePath)) {
        m_result = kReadCapture;
        return false;
    }
    if (m_pageCount == 0) {
        // A capture of no pages makes no page file: a header alone points at a first directory
        // past its end, a file no reader opens.
        m_result = kDecodePage;
        m_detail = kNoPageDataLeft;
        ResetInput();
        return false;
    }
    if (!PrepareTiff(tiffPath)) {
        m_result = kCreateTiff;
        ResetInput();
        return false;
    }
    if (!WriteHeader()) {
        m_result = kWriteHeader;
        ResetInput();
        CloseFile();
        return false;
    }
    m_ifdOffset = kFirstIfdOffset;
    m_inCursor = 0;
    const bool multiPage = m_pageCount > 1;
    uint32_t previousIfd = 0;
    // A 32-bit counter: with 255 pages an 8-bit one would wrap to 0 and never end the loop.
    // Whether the last written page's directory points at a next one that is still to be written.
    bool chained = false;
    for (uint32_t page = 1; page <= m_pageCount; ++page) {
        if (!m_pageSpans.empty()) {
            // Each page where the modem ended it: nothing of the page before it leaks in.
            const auto [start, end] = m_pageSpans[page - 1];
            m_inCursor = start;
            m_inMask = 0x80;
            m_inByte = 0;
            m_dataLength = end - start;
        }
        bool empty = false;
        if (!WritePage(multiPage, empty)) {
            UnchainLastDirectory(chained ? previousIfd : 0);
            ResetInput();
            CloseFile();
            return false;
        }
        // A page without a single line (an RTC alone, no data at all) is no page of the file.
        if (empty)
            continue;
        ++m_pagesWritten;
        chained = false;
        if (page < m_pageCount) {
            previousIfd = m_ifdOffset;
            if (!ChainNextDirectory()) {
                ResetInput();
                ResetPage();
                CloseFile();
                return false;
            }
            chained = true;
        }
    }
    // The pages after the last written one held no line: its directory ends the file after all.
    if (chained)
        UnchainLastDirectory(previousIfd);
    if (m_pagesWritten == 0) {
        // Not one page held a line: no file of no pages.
        m_result = kDecodePage;
        m_detail = kNoEol;
        ResetInput();
        CloseFile();
        return false;
    }
    ResetInput();
    ResetPage();
    CloseFile();
    return true;
}

bool FaxFileWriter::ReadCapture(const std::string& capturePath) {
    m_file = std::fopen(capturePath.c_str(), "rb");
    if (m_file == nullptr) {
        m_detail = kOpenCapture;
        return false;
    }
    auto fail = [this](Detail detail) {
        m_detail = detail;
        CloseFile();
        ResetInput();
        return false;
    };
    bool seekFailed = false;
    uint8_t byte = 0;
    if (!ReadAt(m_file, kCaptureResolutionByte, &byte, 1, seekFailed)) {
        return fail(seekFailed ? kSeekResolution : kReadResolution);
    }
    m_resolution = byte == '1' ? 200 : 100;
    if (!ReadAt(m_file, kCapturePageCountByte, &byte, 1, seekFailed)) {
        return fail(seekFailed ? kSeekPageCount : kReadPageCount);
    }
    m_pageCount = byte;
    std::array<uint8_t, 4> length{};
    if (!ReadAt(m_file, kCaptureLengthField, length.data(), length.size(), seekFailed)) {
        return fail(seekFailed ? kSeekDataLength : kReadDataLength);
    }
    m_dataLength = static_cast<uint32_t>(length[0]) | static_cast<uint32_t>(length[1]) << 8 |
                   static_cast<uint32_t>(length[2]) << 16 | static_cast<uint32_t>(length[3]) << 24;
    // The length field comes from the file: a capture cut short (or a damaged field claiming 4 GB)
    // must fail here, before a buffer of that size is asked for.
    std::error_code error;
    const uintmax_t fileSize = std::filesystem::file_size(capturePath, error);
    if (error || fileSize < uintmax_t{kCaptureHeaderSize} + m_dataLength) {
        return fail(kDataShort);
    }
    ReadPageTable(fileSize);
    // The capture is this program's own file: its cached pages serve as they are.
    if (m_mapping.Map(m_file, size_t{kCaptureHeaderSize} + m_dataLength)) {
        m_input = m_mapping.Data() + kCaptureHeaderSize;
        m_dataSize = m_dataLength;
        CloseFile();
        return true;
    }
    try {
        // Not zero-filled first: the read right after fills every byte.
        m_data = std::make_unique_for_overwrite<uint8_t[]>(m_dataLength);
        m_dataSize = m_dataLength;
    } catch (const std::bad_alloc&) {
        return fail(kNoMemoryForData);
    }
    if (std::fread(m_data.get(), 1, m_dataSize, m_file) != m_dataSize) {
        return fail(kDataShort);
    }
    m_input = m_data.get();
    CloseFile();
    return true;
}

bool FaxFileWriter::PrepareTiff(const std::string& tiffPath) {
    // An older file of the same name is replaced.
    if (std::FILE* old = std::fopen(tiffPath.c_str(), "rb")) {
        std::fclose(old);
        std::remove(tiffPath.c_str());
    }
    m_file = std::fopen(tiffPath.c_str(), "w+b");
    if (m_file == nullptr) {
        return false;
    }
    // Unbuffered, so that a failing write is seen at the step that made it, not at the close.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    return true;
}

bool FaxFileWriter::WriteHeader() {
    if (!SeekTo(m_file, 0)) {
        m_detail = kSeekTiffStart;
        return false;
    }
    std::array<uint8_t, kHeaderSize> header{'I', 'I'};
    PutU16(&header[2], 42);
    PutU32(&header[4], kFirstIfdOffset);
    if (std::fwrite(header.data(), 1, header.size(), m_file) != header.size()) {
        m_detail = kHeaderWrite;
        return false;
    }
    return true;
}

bool FaxFileWriter::WritePage(bool multiPage, bool& empty) {
    ResetPage();
    empty = false;
    if (!m_pageSpans.empty() && m_dataLength == 0) {
        empty = true;
        return true;
    }
    if (!DecodePage()) {
        m_result = kDecodePage;
        ResetPage();
        return false;
    }
    if (m_rows == 0) {
        empty = true;
        ResetPage();
        return true;
    }
    if (!WriteDirectory(multiPage)) {
        m_result = kWriteDirectory;
        ResetPage();
        return false;
    }
    // The directory and the strip right behind it go out in one write; how far a failing write
    // came still tells which of the two failed.
    const size_t total = size_t{kPageBlockSize} + m_stripBytes;
    const size_t written = std::fwrite(m_outBuffer.get(), 1, total, m_file);
    if (written < kPageBlockSize) {
        m_result = kWriteDirectory;
        m_detail = kDirectoryWrite;
        ResetPage();
        return false;
    }
    if (written != total) {
        m_result = kWriteStrip;
        ResetPage();
        return false;
    }
    return true;
}

bool FaxFileWriter::DecodePage() {
    const uint32_t remaining = m_dataLength;
    if (remaining == 0) {
        m_detail = kNoPageDataLeft;
        return false;
    }
    // Each EOL takes at least 12 input bits and grows to at most 19 output bits, every other bit
    // is copied at most once: twice the input always holds the page. One byte more for a page cut
    // off in the middle of a line, whose strip keeps one zero byte beyond the last written one. The
    // page's directory goes in front of the strip, so that both are written at once.
    const size_t capacity = size_t{kPageBlockSize} + size_t{2} * remaining + 1;
    try {
        if (m_outCapacity < capacity) {
            m_outBuffer.reset(); // before the new one, so that the two are never held at once
            m_outCapacity = 0;
            m_outBuffer = std::make_unique_for_overwrite<uint8_t[]>(capacity);
            m_outCapacity = capacity;
        }
    } catch (const std::bad_alloc&) {
        m_detail = kNoMemoryForPage;
        return false;
    }

    BitReader in{m_input, m_dataSize, m_inCursor, m_inMask, m_inByte};
    const uint64_t pageStart = in.Position();
    BitWriter out{m_outBuffer.get() + kPageBlockSize};
    // The limit is counted in bits of this page. The reader may already stand inside a byte that
    // the previous page has half read, so the data can end before the limit is reached too.
    const uint64_t limit = uint64_t{8} * remaining;
    uint64_t bitsRead = 0;
    uint32_t zeros = 0;

    // Synchronise: whatever comes before the first EOL (the tail and DLE of the previous page,
    // fill, line noise) is dropped.
    bool synced = false;
    while (!synced && bitsRead < limit && in.Left()) {
        // A whole byte at a time while it cannot close an EOL: its first one comes after fewer
        // than 11 zeros, and the ones behind it after fewer than 8.
        if (in.Aligned() && limit - bitsRead >= 8) {
            const uint8_t byte = in.data[in.cursor];
            if (byte == 0 || zeros + std::countl_zero(byte) < kEolZeros) {
                ++in.cursor;
                bitsRead += 8;
                zeros = byte == 0 ? zeros + 8 : std::countr_zero(byte);
                continue;
            }
        }
        const bool bit = in.Bit();
        ++bitsRead;
        if (!bit) {
            ++zeros;
        } else {
            synced = zeros >= kEolZeros;
            zeros = 0;
        }
    }
    if (!synced) {
        m_detail = kNoEol;
        SaveReader(in);
        return false;
    }
    // EOLs with nothing but fill (zero bits) between them form one run and make one line ending:
    // the first EOL of a run is written, the others and the fill before them are not. A run that
    // never reaches a line (the RTC, the surplus EOLs some coders put in front of it or at the start
    // of a page) makes no line at all.
    uint32_t eolRun = 0;
    size_t runStart = 0; // output position right behind the first EOL of the run
    uint64_t eolEnd = 0; // bits of this page read up to the closing one of the last EOL
    auto eol = [&](uint64_t end) {
        eolEnd = end;
        if (eolRun == 0) {
            out.AlignedOne(); // the closing one of the EOL becomes the last bit of its byte
            runStart = out.cursor;
            ++m_rows;
        } else {
            out.Rewind(runStart); // only fill was written since the run began
        }
        ++eolRun;
    };
    out.Bits(0, kEolZeros);
    eol(bitsRead);

    while (eolRun < kRtcEols && bitsRead < limit && in.Left()) {
        // Most of a page is line data far from any EOL: 64 bits whose zero runs all stay below 11
        // (the first one together with the run before it) close no EOL and lose no zero to the
        // cut, so they are copied as they stand. They hold a one, so a line follows any EOL run.
        if (in.Aligned() && limit - bitsRead >= 64 && in.size - in.cursor >= 8) {
            const uint64_t word = LoadBigEndian64(in.data + in.cursor);
            if (word != 0 && zeros + std::countl_zero(word) < kEolZeros && !HasZeroRunOf11(word)) {
                in.cursor += 8;
                bitsRead += 64;
                out.Bits64(word);
                eolRun = 0;
                zeros = std::countr_zero(word);
                continue;
            }
        }
        // A whole input byte at a time, with the same result as bit by bit below. Its leading zeros
        // continue the current zero run; its first one closes an EOL after 11 zeros or more; the
        // bits behind that one hold fewer than 8 zeros in a row and so close no EOL and are
        // never cut.
        if (in.Aligned() && limit - bitsRead >= 8) {
            const uint8_t byte = in.data[in.cursor++];
            bitsRead += 8;
            const uint32_t lead = std::countl_zero(byte);
            // The leading zeros are written while the run stays within 14.
            const uint32_t kept = zeros >= kMaxZeroRun ? 0 : std::min(lead, kMaxZeroRun - zeros);
            if (lead == 8) {
                out.Bits(0, kept);
                zeros += 8;
                continue;
            }
            const uint32_t tail = 7 - lead; // bits after the first one
            const uint32_t tailBits = byte & ((1u << tail) - 1);
            if (zeros + lead < kEolZeros) {
                out.Bits(byte, 8); // all of it: the leading zeros are within 10
                eolRun = 0;
            } else {
                out.Bits(0, kept);
                eol(bitsRead - tail);
                if (eolRun == kRtcEols) {
                    // The RTC ends here: the reader stops right after this one, inside the byte.
                    in.StopAfter(byte, lead);
                    bitsRead -= tail;
                    break;
                }
                out.Bits(tailBits, tail);
                if (tailBits != 0) {
                    eolRun = 0;
                }
            }
            zeros = tailBits == 0 ? tail : std::countr_zero(tailBits);
            continue;
        }

        const bool bit = in.Bit();
        ++bitsRead;
        if (!bit) {
            ++zeros;
            if (zeros <= kMaxZeroRun) {
                out.Bits(0, 1); // zeros of an EOL (and of short fill) pass, longer fill is cut
            }
            continue;
        }
        const bool closesEol = zeros >= kEolZeros;
        zeros = 0;
        if (closesEol) {
            eol(bitsRead);
        } else {
            out.Bits(1, 1);
            eolRun = 0; // a line followed: the EOLs seen end it
        }
    }
    if (eolRun == kRtcEols) {
        SkipSurplusEols(in, bitsRead, limit);
    }
    SaveReader(in);
    out.Flush(); // an incomplete last byte is stored with the bits it has
    m_dataLength = remaining - static_cast<uint32_t>(bitsRead / 8);

    // Cut the trailing EOL run: the strip keeps the zero bits in front of the run's first EOL but
    // ends before the byte that holds its closing one (one byte later when the data ran out in
    // fill behind it, as it always has). A page that stopped in a line (run 0) keeps one zero byte
    // more: the start of the EOL that never came.
    // Fewer than 12 bits behind an EOL are no line (the shortest takes 17): the data ran out in the
    // run, and they go with it.
    if (eolRun == 0 && bitsRead - eolEnd < kEolBits) {
        eolRun = 1;
    }
    // A page that stopped in a line (a sender that ends without EOLs after it, or data cut off): the
    // line stays when it is whole, and goes when it was cut short.
    if (eolRun == 0 && MhLineWidth(m_input, pageStart + eolEnd, pageStart + bitsRead) != static_cast<int>(kPageWidth)) {
        out.Rewind(runStart);
        eolRun = 1;
    }
    if (eolRun == 0) {
        out.out[out.cursor] = 0;
        m_stripBytes = static_cast<uint32_t>(out.cursor) + 1;
    } else {
        --m_rows;
        m_stripBytes = static_cast<uint32_t>(out.cursor) - 1;
    }
    if (eolRun < kRtcEols) {
        m_detail = kNoFullRtc;
    }
    return true;
}

void FaxFileWriter::SkipSurplusEols(BitReader& in, uint64_t& bitsRead, uint64_t limit) {
    // More EOLs with only fill before them still belong to the RTC (pbmtog3 ends its pages with
    // seven EOLs): they are the page's, not an empty first line of the next page. But an EOL that a
    // line follows is the next page's first, where pages follow one another with nothing between
    // them: it stays, or that page would lose its first line. What is no line of 1728 pixels (the
    // DLE that ends each page in the capture, line noise) leaves the EOL before it with the page.
    // Zeros and junk that no EOL closes stay for the next page, which drops them while it looks for
    // its first EOL.
    BitReader probe = in;
    uint64_t probeBits = bitsRead;
    uint32_t zeros = 0;
    bool pending = false; // an EOL found behind the RTC, whose follower decides whose it is
    BitReader pendingIn = in;
    uint64_t pendingBits = bitsRead;
    auto takePending = [&] {
        if (pending) {
            in = pendingIn;
            bitsRead = pendingBits;
        }
    };
    while (probeBits < limit && probe.Left()) {
        const bool bit = probe.Bit();
        ++probeBits;
        if (!bit) {
            ++zeros;
            continue;
        }
        if (zeros < kEolZeros) {
            if (!pending)
                return; // behind the RTC itself: nothing more of the page
            // What follows the pending EOL up to the next one (or the data's end) is a whole line of
            // the next page, or not a line at all (the DLE, line noise).
            BitReader look = probe;
            uint64_t lookBits = probeBits;
            uint32_t lookZeros = 0;
            uint64_t lineEnd = 0;
            while (lineEnd == 0 && lookBits < limit && look.Left()) {
                const bool one = look.Bit();
                ++lookBits;
                if (!one)
                    ++lookZeros;
                else if (lookZeros >= kEolZeros)
                    lineEnd = look.Position() - kEolBits;
                else
                    lookZeros = 0;
            }
            if (lineEnd == 0)
                lineEnd = look.Position();
            if (MhLineWidth(in.data, pendingIn.Position(), lineEnd) != static_cast<int>(kPageWidth))
                takePending(); // no line (the DLE, line noise): the pending EOL was the page's
            return;            // otherwise a line: the pending EOL is the next page's first
        }
        zeros = 0;
        takePending(); // only fill since the pending EOL: that one was the page's
        // The closing one was the DLE itself (fill after the RTC put 11 zeros in front of it): what
        // follows is the next page's, its first EOL included.
        if (probe.byte == 0x10 && probe.mask == 0x08) {
            in = probe;
            bitsRead = probeBits;
            return;
        }
        pending = true;
        pendingIn = probe;
        pendingBits = probeBits;
    }
    takePending(); // the data ends behind it
}

void FaxFileWriter::ReadPageTable(uintmax_t fileSize) {
    // Behind the page data: per page two 32-bit offsets, then the count and the mark. A table that
    // does not fit the capture exactly, or whose pages are out of order or outside the data, is
    // not used: the pages are then split at their RTCs as in a capture without one.
    m_pageSpans.clear();
    const uintmax_t dataEnd = uintmax_t{kCaptureHeaderSize} + m_dataLength;
    if (fileSize < dataEnd + 8 || fileSize - dataEnd > 8 + 8 * uintmax_t{255})
        return;
    std::array<uint8_t, 8> tail{};
    bool seekFailed = false;
    if (!ReadAt(m_file, static_cast<uint32_t>(fileSize - 8), tail.data(), tail.size(), seekFailed) ||
        std::memcmp(tail.data() + 4, capture::kPageTableMark, 4) != 0)
        return;
    const uint32_t count = GetU32(tail.data());
    if (count != m_pageCount || fileSize != dataEnd + 8 * uintmax_t{count} + 8)
        return;
    std::vector<uint8_t> table(size_t{8} * count);
    if (count > 0 && !ReadAt(m_file, static_cast<uint32_t>(dataEnd), table.data(), table.size(), seekFailed))
        return;
    uint32_t previousEnd = 0;
    std::vector<std::pair<uint32_t, uint32_t>> spans;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t start = GetU32(&table[8 * i]);
        const uint32_t end = GetU32(&table[8 * i + 4]);
        if (start < previousEnd || end < start || end > m_dataLength)
            return;
        spans.emplace_back(start, end);
        previousEnd = end;
    }
    m_pageSpans = std::move(spans);
}

void FaxFileWriter::SaveReader(const BitReader& in) {
    m_inCursor = in.cursor;
    m_inMask = in.mask;
    m_inByte = in.byte;
}

bool FaxFileWriter::WriteDirectory(bool multiPage) {
    // In front of the strip in the page buffer; WritePage writes both.
    uint8_t* block = m_outBuffer.get();
    std::fill_n(block, kPageBlockSize, uint8_t{0});
    PutU16(&block[0], kEntryCount);
    uint8_t* entry = &block[2];
    auto put = [&entry](uint16_t tag, uint16_t type, uint32_t value) {
        PutU16(entry, tag);
        PutU16(entry + 2, type);
        PutU32(entry + 4, 1);
        if (type == kShort) {
            PutU16(entry + 8, value); // a SHORT sits in the first two bytes, the other two stay 0
        } else {
            PutU32(entry + 8, value);
        }
        entry += 12;
    };
    // In ascending tag order, as TIFF 6.0 requires of a directory.
    put(254, kLong, multiPage ? 2 : 0);                   // NewSubfileType: page of a multi-page image
    put(256, kLong, kPageWidth);                          // ImageWidth
    put(257, kLong, m_rows);                              // ImageLength
    put(258, kShort, 1);                                  // BitsPerSample
    put(259, kShort, 3);                                  // Compression: CCITT T.4
    put(262, kShort, 0);                                  // PhotometricInterpretation: white is zero
    put(266, kShort, 1);                                  // FillOrder: most significant bit first
    put(273, kLong, m_ifdOffset + kPageBlockSize);        // StripOffsets
    put(277, kShort, 1);                                  // SamplesPerPixel
    put(278, kLong, m_rows);                              // RowsPerStrip
    put(279, kLong, m_stripBytes);                        // StripByteCounts
    put(282, kRational, m_ifdOffset + kXResolutionField); // XResolution
    put(283, kRational, m_ifdOffset + kYResolutionField); // YResolution
    put(292, kLong, 4);                                   // T4Options: fill bits make each EOL end on a byte boundary
    put(296, kShort, 2);                                  // ResolutionUnit: inch
    PutU32(&block[kNextIfdField], 0);
    PutU32(&block[kXResolutionField], 200);
    PutU32(&block[kXResolutionField + 4], 1);
    PutU32(&block[kYResolutionField], m_resolution);
    PutU32(&block[kYResolutionField + 4], 1);

    if (!SeekTo(m_file, m_ifdOffset)) {
        m_detail = kSeekDirectory;
        return false;
    }
    return true;
}

bool FaxFileWriter::ChainNextDirectory() {
    if (!SeekTo(m_file, m_ifdOffset + kNextIfdField)) {
        m_result = kSeekNextDirectory;
        return false;
    }
    m_ifdOffset += kPageBlockSize + m_stripBytes;
    std::array<uint8_t, 4> next{};
    PutU32(next.data(), m_ifdOffset);
    if (std::fwrite(next.data(), 1, next.size(), m_file) != next.size()) {
        m_result = kWriteNextDirectory;
        return false;
    }
    return true;
}

void FaxFileWriter::UnchainLastDirectory(uint32_t previousIfd) {
    // The page before the failing one already points at a directory that never got written; set
    // its link back to 0 so that the file left behind is a valid TIFF of the pages it holds.
    if (previousIfd == 0) {
        return;
    }
    const std::array<uint8_t, 4> none{};
    if (SeekTo(m_file, previousIfd + kNextIfdField)) {
        std::fwrite(none.data(), 1, none.size(), m_file);
    }
}

void FaxFileWriter::ResetInput() {
    m_mapping.Unmap();
    m_data.reset();
    m_input = nullptr;
    m_dataSize = 0;
    m_outBuffer.reset();
    m_outCapacity = 0;
    m_pageCount = 0;
    m_dataLength = 0;
    m_pageSpans.clear();
    m_inCursor = 0;
    m_inMask = 0x80;
    m_inByte = 0;
}

void FaxFileWriter::ResetPage() {
    // The page buffer is kept between the pages of one fax (the first page asks for the most) and
    // freed with the input.
    m_stripBytes = 0;
    m_rows = 0;
}

void FaxFileWriter::CloseFile() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}
