// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/platform/MappedFile.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Turns one captured fax (the capture file the retrieval writes) into a multi-page TIFF file:
// CCITT T.4 one-dimensional, 1728 pixels wide, one directory and one strip per page. The page data
// is re-coded bit by bit (EOLs byte-aligned, the RTC cut off) without any image library. EOLs
// with only fill between them count as one: a line ends at the first, a page at the sixth.
// The capture file's layout is described in CaptureLayout.h.
class FaxFileWriter {
public:
    // Outcome codes of the last Convert (LastResult) and the step that failed (LastDetail).
    enum Result : int32_t {
        kOk = 0,
        kReadCapture = 9,
        kCreateTiff = 10,
        kWriteHeader = 11,
        kDecodePage = 12,
        kWriteDirectory = 13,
        kWriteStrip = 14,
        kSeekNextDirectory = 15,
        kWriteNextDirectory = 16,
    };

    enum Detail : int32_t {
        kDetailNone = 0,
        kOpenCapture = 26,
        kSeekPageCount = 27,
        kReadPageCount = 28,
        kSeekDataLength = 29,
        kReadDataLength = 30,
        kNoMemoryForData = 31,
        kDataShort = 32,
        kSeekTiffStart = 33,
        kHeaderWrite = 34,
        kNoPageDataLeft = 35,
        kNoMemoryForPage = 36,
        kNoEol = 37,
        kNoFullRtc = 38, // the page is still written
        kSeekDirectory = 40,
        kDirectoryWrite = 41,
        kSeekResolution = 42,
        kReadResolution = 43,
    };

    FaxFileWriter() = default;
    ~FaxFileWriter();
    FaxFileWriter(const FaxFileWriter&) = delete;
    FaxFileWriter& operator=(const FaxFileWriter&) = delete;

    // True when every page was written; LastResult and LastDetail tell where it failed otherwise.
    bool Convert(const std::string& capturePath, const std::string& tiffPath);

    int32_t LastResult() const { return m_result; }
    int32_t LastDetail() const { return m_detail; }
    // Pages the last Convert wrote: the pages the file holds, also when a later page failed.
    uint32_t PagesWritten() const { return m_pagesWritten; }

private:
    int32_t m_result = 0;
    int32_t m_detail = 0;
    uint32_t m_pagesWritten = 0;

    bool ReadCapture(const std::string& capturePath);
    bool PrepareTiff(const std::string& tiffPath);
    bool WriteHeader();
    // One page into the file; `empty` when it held no line and was left out.
    bool WritePage(bool multiPage, bool& empty);
    void ReadPageTable(uintmax_t fileSize);
    bool DecodePage();
    bool WriteDirectory(bool multiPage);
    bool ChainNextDirectory();
    void UnchainLastDirectory(uint32_t previousIfd);
    void ResetInput();
    void ResetPage();
    void CloseFile();

    // Takes the page data most significant bit first; its position carries over from one page to
    // the next (m_inCursor, m_inMask, m_inByte between pages).
    struct BitReader {
        const uint8_t* data;
        size_t size;
        size_t cursor;
        uint8_t mask; // 0x80: the next bit starts a new byte
        uint8_t byte;
        bool Left() const { return mask != 0x80 || cursor < size; }
        bool Aligned() const { return mask == 0x80; }
        // Where the next bit is, counted from the most significant bit of data[0].
        uint64_t Position() const {
            if (mask == 0x80)
                return uint64_t{8} * cursor;
            uint32_t index = 0;
            while ((0x80u >> index) != mask)
                ++index;
            return uint64_t{8} * (cursor - 1) + index;
        }
        bool Bit() {
            if (mask == 0x80) {
                byte = data[cursor++];
            }
            const bool bit = (byte & mask) != 0;
            mask = mask == 0x01 ? 0x80 : static_cast<uint8_t>(mask >> 1);
            return bit;
        }
        // Stand right behind bit `index` (0 = most significant) of `whole`, the byte just taken.
        void StopAfter(uint8_t whole, uint32_t index) {
            byte = whole;
            mask = index == 7 ? 0x80 : static_cast<uint8_t>(0x80u >> (index + 1));
        }
    };

    // Assembles the re-coded page most significant bit first; up to 7 bits wait in `pending`.
    struct BitWriter {
        uint8_t* out;
        size_t cursor = 0;
        uint64_t pending = 0;
        uint32_t count = 0;
        // The low `n` bits of `bits` (n at most 32), highest first.
        void Bits(uint32_t bits, uint32_t n) {
            pending = pending << n | bits;
            count += n;
            while (count >= 8) {
                count -= 8;
                out[cursor++] = static_cast<uint8_t>(pending >> count);
            }
            pending &= (uint64_t{1} << count) - 1;
        }
        // 64 bits at once: behind the bits waiting they fill eight whole bytes, and as many bits as
        // waited before wait again.
        void Bits64(uint64_t word) {
            uint64_t whole = count == 0 ? word : pending << (64 - count) | word >> count;
            for (int i = 7; i >= 0; --i) {
                out[cursor + static_cast<size_t>(i)] = static_cast<uint8_t>(whole);
                whole >>= 8;
            }
            cursor += 8;
            pending = word & ((uint64_t{1} << count) - 1);
        }
        // Zeros until the next bit is the last of its byte, then a one: the EOL ends the byte.
        void AlignedOne() { Bits(1, 8 - count); }
        // Drops everything written behind `at`, a byte boundary already passed.
        void Rewind(size_t at) {
            cursor = at;
            pending = 0;
            count = 0;
        }
        void Flush() {
            if (count != 0) {
                out[cursor++] = static_cast<uint8_t>(pending << (8 - count));
                pending = 0;
                count = 0;
            }
        }
    };
    void SaveReader(const BitReader& in);
    static void SkipSurplusEols(BitReader& in, uint64_t& bitsRead, uint64_t limit);

    std::FILE* m_file = nullptr;
    uint16_t m_resolution = 100;
    uint32_t m_pageCount = 0; // capture byte 40; wider than the byte so that 255 pages end the loop
    uint32_t m_dataLength = 0;
    // The capture's page table, where it has one: each page's first byte and the byte behind its
    // last. Without it the pages are split at their RTCs.
    std::vector<std::pair<uint32_t, uint32_t>> m_pageSpans;
    MappedFile m_mapping;              // the capture file, where it could be mapped
    std::unique_ptr<uint8_t[]> m_data; // else the capture's page data, read in
    const uint8_t* m_input = nullptr;  // the page data: in the mapping or in m_data
    size_t m_dataSize = 0;
    size_t m_inCursor = 0;
    uint8_t m_inMask = 0x80;
    uint8_t m_inByte = 0;
    // The page's directory block, then its strip; not zero-filled: every byte written is stored.
    std::unique_ptr<uint8_t[]> m_outBuffer;
    size_t m_outCapacity = 0;
    uint32_t m_stripBytes = 0;
    uint32_t m_rows = 0;
    uint32_t m_ifdOffset = 0;
};
