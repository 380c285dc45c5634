// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

// The capture of one fax: its page data as the modem played it back, behind a header that says
// what the page file writer needs to know. CaptureFile writes it, the page file writer reads it; this
// is the one place of its layout (little-endian):
//   0    "G3", 0
//   3    the DCS text of the answer report, 16 bytes at most (byte 3 is '1' for fine resolution)
//   19   the sender's identification, 20 bytes at most, zero-terminated
//   40   the page count, one byte
//   41   in a fax whose last page broke off (no DLE ETX): the number of pages before it, which
//        ended; 0 in a fax whose pages all ended
//   44   in such a fax, the length of the page data of the pages that ended, 32 bits
//   48   the name of the page file made of it, once one is given (zero-terminated, 64 bytes at most):
//        a read that finds the capture again knows the file, and whether a record names it already
//   128  the length L of the page data, 32 bits
//   132  the L bytes of page data, every page as the modem ended it
//   then, in a capture that was finished, the page table: for each page the offsets (32 bits each,
//        from the start of the page data) of its first byte and of the byte behind its last (the
//        DLE of the modem's DLE ETX not counted), then the number of pages (32 bits) and "G3PT".
//        The pages are where the modem ended them, whether or not their sender wrote an RTC; a
//        capture without the table (an older one, or one a crash left) is split at the RTCs.
namespace capture {
inline constexpr size_t kHeaderSize = 132;
inline constexpr size_t kDcsOffset = 3;
inline constexpr size_t kDcsLength = 16;
inline constexpr size_t kIdOffset = 19;
inline constexpr size_t kIdLength = 20;
inline constexpr size_t kPageCountOffset = 40;
inline constexpr size_t kEndedPagesOffset = 41;
inline constexpr size_t kEndedLengthOffset = 44;
inline constexpr size_t kPageFileOffset = 48;
inline constexpr size_t kPageFileLength = 64;
inline constexpr size_t kDataLengthOffset = 128;
inline constexpr char kPageTableMark[5] = "G3PT";
// The page count is one byte.
inline constexpr int kMaxPages = 255;
} // namespace capture
