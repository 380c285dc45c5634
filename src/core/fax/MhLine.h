// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The width of one line of a one-dimensional (modified Huffman) coded fax page: the bits from
// `fromBit` up to `toBit` (counted from the most significant bit of data[0]) decoded as white and
// black runs in turn. Zeros behind the last code are fill. Returns the pixels of the runs, or -1
// when the bits hold no code or end inside one. Used where a line's width decides: whether the
// data that ends a page is a whole line or one cut off, and whether what follows a page's end is a
// line at all.
int MhLineWidth(const uint8_t* data, uint64_t fromBit, uint64_t toBit);
