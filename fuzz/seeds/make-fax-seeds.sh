#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole multi-page capture files, as the retrieval writes them, for the page file writer's fuzz
# target: pages from coders that are not ours (ghostscript's faxg3 device, netpbm's pbmtog3 with
# and without -align8/-align16, efax's efix), each page followed by the DLE that preceded its DLE
# ETX. Re-run from anywhere: sh make-fax-seeds.sh
set -eu
cd "$(dirname "$0")"
pages=../../tests/data/pages
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# capture OUT DCS ID PAGE...
capture() {
    out=$1 dcs=$2 id=$3
    shift 3
    : > "$tmp/data"
    n=0
    for page in "$@"; do
        cat "$page" >> "$tmp/data"
        printf '\020' >> "$tmp/data"
        n=$((n + 1))
    done
    python3 - "$out" "$dcs" "$id" "$n" "$tmp/data" <<'PY'
import struct, sys
out, dcs, ident, n, data = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), open(sys.argv[5], "rb").read()
header = bytearray(132)
header[0:3] = b"G3\0"
header[3:3 + min(16, len(dcs))] = dcs.encode()[:16]
header[19:19 + min(20, len(ident))] = ident.encode()[:20]
header[40] = n
header[128:132] = struct.pack("<I", len(data))
open(out, "wb").write(bytes(header) + data)
PY
}

zcat "$pages/black-line.pbm.gz" > "$tmp/black-line.pbm"
zcat "$pages/nearly-blank-fill.pbm.gz" > "$tmp/nearly-blank.pbm"
efix -i pbm -o fax -n "$tmp/efix-bl.%d" "$tmp/black-line.pbm" 2>/dev/null
efix -i pbm -o fax -n "$tmp/efix-nb.%d" "$tmp/nearly-blank.pbm" 2>/dev/null

capture fax/gs-fine-pbmtog3-align8-normal.cap "1,5,0,2,0,0,0,0 " "+86 10 87654321" \
    "$pages/text-fine.g3" "$pages/text-normal-fill.g3"
capture fax/pbmtog3-three-pages.cap "0,5,0,2,0,0,0,0 " "+86 21 12345678" \
    "$pages/black-line.g3" "$pages/checker.g3" "$pages/nearly-blank-fill.g3"
capture fax/efix-two-pages.cap "0,5,0,2,0,0,0,0 " "EFIX" "$tmp/efix-bl.1" "$tmp/efix-nb.1"
