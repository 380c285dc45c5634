// SPDX-License-Identifier: GPL-3.0-or-later
// The capture file comes from the modem: any bytes must give a result code, never a crash, a hang
// or an allocation beyond a small multiple of the file. Each input is converted twice: as it
// stands (the length field mostly disagrees with the file, which must fail cleanly) and with the
// length field set to the data that is really there, so that the page decoder sees every input.
// A file reported as written must hold its directories and strips inside itself.
#include "FuzzSupport.h"
#include "core/fax/FaxFileWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using fuzzsupport::Check;
using fuzzsupport::Dir;

namespace {

uint32_t Le32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = v << 8 | static_cast<uint8_t>(s[at + i]);
    }
    return v;
}

uint16_t Le16(const std::string& s, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}

std::string ReadAll(const std::string& path) {
    std::string bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) {
            bytes.append(buffer, n);
        }
        std::fclose(f);
    }
    return bytes;
}

void Convert(const std::string& capture) {
    const std::string in = Dir() + "/in.cap", out = Dir() + "/out.tif";
    std::FILE* f = std::fopen(in.c_str(), "wb");
    if (f == nullptr) {
        std::abort();
    }
    std::fwrite(capture.data(), 1, capture.size(), f);
    std::fclose(f);

    FaxFileWriter writer;
    const bool ok = writer.Convert(in, out);
    if (ok != (writer.LastResult() == 0) ||
        (writer.LastResult() != 0 && (writer.LastResult() < 9 || writer.LastResult() > 16))) {
        std::abort();
    }
    if (!ok) {
        return;
    }
    const std::string tiff = ReadAll(out);
    if (tiff.size() < 8 || tiff.compare(0, 4, std::string("II\x2a\0", 4)) != 0) {
        std::abort();
    }
    // Every page the capture counts is in the file, but those without a line, which get no
    // directory; a file of pages that all lack a line is no success.
    const unsigned counted = capture.size() > 40 ? static_cast<uint8_t>(capture[40]) : 0;
    const unsigned pages = writer.PagesWritten();
    if (pages > counted || (counted > 0 && pages == 0)) {
        std::abort();
    }
    uint32_t ifd = Le32(tiff, 4);
    for (unsigned page = 0; page < pages; ++page) {
        // A directory of 15 entries in ascending tag order followed by its strip, all inside the
        // file: StripOffsets (273) is the eighth entry, StripByteCounts (279) the eleventh.
        if (uint64_t{ifd} + 202 > tiff.size()) {
            std::abort();
        }
        for (uint32_t entry = 1; entry < 15; ++entry) {
            if (Le16(tiff, ifd + 2 + entry * 12) <= Le16(tiff, ifd + 2 + (entry - 1) * 12)) {
                std::abort();
            }
        }
        // ImageLength (257), the third entry: never a page of no rows, which libtiff refuses.
        if (Le32(tiff, ifd + 2 + 2 * 12 + 8) == 0) {
            std::abort();
        }
        if (Le32(tiff, ifd + 2 + 7 * 12 + 8) != ifd + 202 ||
            uint64_t{ifd} + 202 + Le32(tiff, ifd + 2 + 10 * 12 + 8) > tiff.size()) {
            std::abort();
        }
        ifd = Le32(tiff, ifd + 182);
    }
    if (pages > 0 && ifd != 0) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string capture(reinterpret_cast<const char*>(data), size);
    Convert(capture);
    if (capture.size() >= 132) {
        const uint32_t length = static_cast<uint32_t>(capture.size() - 132);
        for (int i = 0; i < 4; ++i) {
            capture[128 + i] = static_cast<char>(length >> (8 * i));
        }
        Convert(capture);
    }
    return 0;
}
