// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The pages of a fax page file as they stand in the file: for each TIFF directory, the size of the
// page, its resolution and where its coded data lies. Nothing is decoded; the PDF export hands the
// T.4 data on as it is. Reads any byte order and tag order, but only what can be passed on without
// re-coding: one-dimensional T.4 (CCITT Group 3, no 2-D lines, no uncompressed mode), one bit per
// pixel, either bit order (fax2tiff writes the least significant first) and either photometric
// interpretation (tiffcp keeps a PBM's black-is-zero).
//
// Needs only the standard library, so that its parser can be fuzzed on its own.
class FaxPageFile {
public:
    enum Result : int {
        kOk = 0,
        kOpenFile = 1,    // the file cannot be opened or read
        kNotTiff = 2,     // no TIFF header
        kDamaged = 3,     // a directory or a strip lies outside the file, strips overlap, a required field is
                          // missing, a page larger than a fax page can be
        kUnsupported = 4, // a TIFF, but not T.4 one-dimensional black-and-white pages
        kNoPages = 5,     // a valid header without any page
    };

    struct Page {
        uint32_t width = 0;
        uint32_t rows = 0;
        double xResolution = 0; // pixels per inch
        double yResolution = 0;
        bool byteAligned = false; // T4Options fill bit: every EOL ends a byte
        bool lsbFirst = false;    // FillOrder 2: PageData turns each byte round
        bool blackIsZero = false; // PhotometricInterpretation 1: the coded "white" runs are black
        std::vector<std::pair<uint32_t, uint32_t>> strips; // offset, byte count
        uint64_t StripBytes() const;
    };

    // Reads the file into memory and parses it; false with LastResult set when it is no usable file.
    bool Read(const std::string& nativePath);
    // Parses bytes already in memory (kept in m_data).
    bool Parse(std::string data);
    // The coded data of one page, most significant bit first: its strips one after the other.
    std::string PageData(size_t page) const;

    int LastResult() const { return m_result; }

    std::vector<Page> m_pages;
    std::string m_data;

    // At most this many directories are followed: a chain that loops or runs on is damage.
    static constexpr size_t kMaxPages = 1000;
    // What a fax page can be: 4,864 pixels across (A3 at 16 dots per millimetre, the widest fax
    // scan line) and 65,535 lines (over 8 m at fine resolution). A page beyond these is damage,
    // whose decoding would take the memory (the viewer reads the same bounds).
    static constexpr uint32_t kMaxWidth = 4864;
    static constexpr uint32_t kMaxRows = 65535;

private:
    int m_result = kOk;
};
