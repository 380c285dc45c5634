#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Give a raw T.4 page (MSB first) exactly the ending a fax modem plays back: the EOL that closes
the last line followed by five more EOLs with no fill between them (the RTC), then zero bits up to
the byte boundary.

pbmtog3 writes one EOL too many after the last line (and with -alignN puts fill inside the RTC);
ghostscript's faxg3 device writes no RTC at all. Line data and the fill before line EOLs are kept
bit for bit.
usage: g3tail.py in.g3 out.g3 [--align]   (--align: fill so that the first RTC EOL ends a byte)"""
import sys

EOL = [0] * 11 + [1]


def bits_of(data):
    return [(b >> (7 - i)) & 1 for b in data for i in range(8)]


def main():
    src, dst = sys.argv[1], sys.argv[2]
    align = "--align" in sys.argv[3:]
    bits = bits_of(open(src, "rb").read())
    # End positions (exclusive) of every EOL, and the last 1 bit that closes no EOL.
    eol_ends, zeros, last_data = [], 0, -1
    for i, b in enumerate(bits):
        if b == 0:
            zeros += 1
            continue
        if zeros >= 11:
            eol_ends.append(i + 1)
        else:
            last_data = i
        zeros = 0
    trailing = [e for e in eol_ends if e > last_data]
    if trailing:
        out = bits[: trailing[0]]  # the line's own EOL, with whatever fill the encoder gave it
        more = 5
    else:
        out = list(bits)  # the encoder's pad zeros become fill in front of the first EOL
        more = 6
        if align:
            while (len(out) + 12) % 8:
                out.append(0)
    for _ in range(more):
        out += EOL
    while len(out) % 8:
        out.append(0)
    data = bytes(int("".join(map(str, out[i : i + 8])), 2) for i in range(0, len(out), 8))
    open(dst, "wb").write(data)


main()
