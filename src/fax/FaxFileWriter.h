// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Turns one captured fax (the capture file the retrieval writes) into a multi-page TIFF file:
// CCITT T.4 one-dimensional, 1728 pixels wide, one directory and one strip per page. The page data
// is re-coded bit by bit (EOLs byte-aligned, the RTC cut off) without any image library.
//
// Capture file (little-endian): "G3", 0; at 3 the DCS text (byte 3 is '1' for fine resolution);
// at 40 the page count; at 128 the 32-bit length L of the page data; at 132 the L data bytes.
class FaxFileWriter {
public:
    // Outcome codes of the last Convert (m_result) and the step that failed (m_detail).
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
        kNoMemoryForEntries = 39,
        kSeekDirectory = 40,
        kDirectoryWrite = 41,
        kSeekResolution = 42,
        kReadResolution = 43,
    };

    FaxFileWriter() = default;
    ~FaxFileWriter();
    FaxFileWriter(const FaxFileWriter&) = delete;
    FaxFileWriter& operator=(const FaxFileWriter&) = delete;

    // True when every page was written; m_result and m_detail tell where it failed otherwise.
    bool Convert(const std::string& capturePath, const std::string& tiffPath);

    int32_t m_result = 0;
    int32_t m_detail = 0;

private:
    bool ReadCapture(const std::string& capturePath);
    bool PrepareTiff(const std::string& tiffPath);
    bool WriteHeader();
    bool WritePage(bool multiPage);
    bool DecodePage();
    bool WriteDirectory(bool multiPage);
    bool ChainNextDirectory();
    void UnchainLastDirectory(uint32_t previousIfd);
    void ResetInput();
    void ResetPage();
    void CloseFile();

    bool BitsLeft() const { return m_inMask != 0x80 || m_inCursor < m_data.size(); }
    bool ReadBit();
    void WriteBit(bool bit);
    void WriteAlignedOne();

    std::FILE* m_file = nullptr;
    uint16_t m_resolution = 100;
    uint32_t m_pageCount = 0; // capture byte 40; wider than the byte so that 255 pages end the loop
    uint32_t m_dataLength = 0;
    std::vector<uint8_t> m_data;
    size_t m_inCursor = 0;
    uint8_t m_inMask = 0x80;
    uint8_t m_inByte = 0;
    std::vector<uint8_t> m_outBuffer;
    size_t m_outCursor = 0;
    uint8_t m_outMask = 0x80;
    uint8_t m_outByte = 0;
    uint32_t m_stripBytes = 0;
    uint32_t m_rows = 0;
    uint32_t m_ifdOffset = 0;
};
