// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

// Turns one captured fax (the capture file the retrieval writes) into a multi-page TIFF file:
// CCITT T.4 one-dimensional, 1728 pixels wide, one directory and one strip per page. The page data
// is re-coded bit by bit (EOLs byte-aligned, the RTC cut off) without any image library.
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

    // True when every page was written; m_result and m_detail tell where it failed otherwise.
    bool Convert(const std::string& capturePath, const std::string& tiffPath);

    int32_t m_result = 0;
    int32_t m_detail = 0;
};
