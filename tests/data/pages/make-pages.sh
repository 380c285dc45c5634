#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the test pages of the fax page file writer with encoders that are not ours, and keeps each
# encoder's output exactly as it wrote it: NAME.g3 is one page of raw T.4 (MSB first, 1728
# pixels), NAME.pbm.gz the image it holds. Ghostscript renders a page of text with rules and boxes;
# netpbm draws the rest. The coders end their pages differently, and that is the point:
#   text-fine            ghostscript's CCITTFaxEncode filter: an RTC of six EOLs without fill
#   nearly-blank-gs      the same filter with EncodedByteAlign: fill before the RTC's first EOL
#   checker, black-line  pbmtog3: an EOL before every line, then six more (seven in a row)
#   text-normal-fill,    pbmtog3 -align8 / -align16: every EOL byte- or word-aligned, the RTC's
#   black-line-fill,       included (fill between all seven EOLs)
#   nearly-blank-fill
#   text-normal-efix,    efax's efix: six EOLs after the last line, fill before the last one
#   checker-efix
# Re-run from anywhere: sh make-pages.sh (needs ghostscript, netpbm, efax)
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cat > "$tmp/text.ps" <<'PS'
%!PS
/Times-Roman findfont 13 scalefont setfont
/y 760 def
/line { 60 y moveto show /y y 17 sub def } def
(FAXDESK test page: a letter with rules, boxes and a table) line
(The quick brown fox jumps over the lazy dog. 0123456789 !?@#$%&*) line
(Pack my box with five dozen liquor jugs; sphinx of black quartz, judge my vow.) line
2 setlinewidth 60 690 moveto 550 690 lineto stroke
0.5 setlinewidth
60 420 490 250 rectstroke
80 440 150 120 rectfill
260 440 270 120 rectstroke
0 1 9 { 25 mul 450 add dup 270 exch moveto 520 exch lineto stroke } for
/Courier findfont 10 scalefont setfont
/y 660 def
0 1 14 { pop (Row of monospaced text with   gaps   and dots . . . . . . . . . . . .) line } for
/Helvetica-Bold findfont 40 scalefont setfont
60 300 moveto (BIG HEADLINE) show
1 setlinewidth
[4 4] 0 setdash 60 250 moveto 550 250 lineto stroke [] 0 setdash
60 80 490 150 rectstroke
90 110 moveto 520 200 lineto stroke
showpage
PS

# Ghostscript's own T.4 coder (its faxg3 device writes no RTC at all, the filter does): the raster
# of a PBM image through CCITTFaxEncode with EndOfBlock.
cat > "$tmp/encode.ps" <<'PS'
%!PS
/in IN (r) file def
/out OUT (w) file << /K 0 /Columns 1728 /Rows ROWS /EndOfLine true /EndOfBlock true /BlackIs1 true
                     /EncodedByteAlign ALIGN >> /CCITTFaxEncode filter def
/row 216 string def
{ in row readstring exch out exch writestring not { exit } if } loop
out closefile
quit
PS
gs_encode() { # image.pbm out.g3 align(true|false)
    rows=$(head -c 64 "$1" | sed -n 2p | cut -d' ' -f2)
    header=$(printf 'P4\n1728 %s\n' "$rows" | wc -c)
    tail -c +$((header + 1)) "$1" > "$tmp/raster"
    gs -q -dNOSAFER -dNODISPLAY -dBATCH -sIN="$tmp/raster" -sOUT="$2" -dROWS="$rows" -dALIGN="$3" "$tmp/encode.ps"
}

# A4 at fine (196 lpi) and at normal (98 lpi) resolution, 1728 pixels across at 204 dpi.
render() { # resolution height name
    gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pbmraw -g1728x"$2" -r204x"$1" -sOutputFile="$tmp/$3.ps.pbm" "$tmp/text.ps"
    pamtopnm "$tmp/$3.ps.pbm" > "$tmp/$3.pbm" # without ghostscript's comment line
}
render 196 2292 text-fine
render 98 1146 text-normal
gs_encode "$tmp/text-fine.pbm" text-fine.g3 false

cp "$tmp/text-normal.pbm" "$tmp/text-normal-fill.pbm"
pbmtog3 -align8 "$tmp/text-normal-fill.pbm" > text-normal-fill.g3
cp "$tmp/text-normal.pbm" "$tmp/text-normal-efix.pbm"
efix -v '' -i pbm -o fax "$tmp/text-normal-efix.pbm" > text-normal-efix.g3

# Nearly blank: long white runs, one short mark in the middle of the page.
pbmmake -white 1728 1146 > "$tmp/white.pbm"
pbmtext -builtin fixed "p. 2" > "$tmp/mark.pbm"
pnmpaste "$tmp/mark.pbm" 850 560 "$tmp/white.pbm" > "$tmp/nearly-blank-fill.pbm"
pbmtog3 -align16 "$tmp/nearly-blank-fill.pbm" > nearly-blank-fill.g3
cp "$tmp/nearly-blank-fill.pbm" "$tmp/nearly-blank-gs.pbm"
gs_encode "$tmp/nearly-blank-gs.pbm" nearly-blank-gs.g3 true

# Dense: a checkerboard of two-pixel squares, 864 runs a line (some lines of it only). One-pixel
# squares would be denser still, but libtiff's 1D decoder holds at most 1728 runs a line and
# rejects such a page from any encoder.
pbmmake -gray 864 24 | pamenlarge 2 > "$tmp/checker.pbm"
pbmtog3 "$tmp/checker.pbm" > checker.g3
cp "$tmp/checker.pbm" "$tmp/checker-efix.pbm"
efix -v '' -i pbm -o fax "$tmp/checker-efix.pbm" > checker-efix.g3

# A black line across the whole width: one black run of 1728 (makeup 1728 and terminating 0).
pbmmake -white 1728 60 > "$tmp/top.pbm"
pbmmake -black 1728 3 > "$tmp/bar.pbm"
pnmcat -tb "$tmp/top.pbm" "$tmp/bar.pbm" "$tmp/top.pbm" > "$tmp/black-line.pbm"
pbmtog3 "$tmp/black-line.pbm" > black-line.g3
cp "$tmp/black-line.pbm" "$tmp/black-line-fill.pbm"
pbmtog3 -align8 "$tmp/black-line-fill.pbm" > black-line-fill.g3

# Every page must decode (by netpbm) back to its image before it is kept.
for g3 in *.g3; do
    name=${g3%.g3}
    g3topbm -stop_error "$g3" | cmp -s - "$tmp/$name.pbm" || { echo "$g3 does not decode to its image" >&2; exit 1; }
    gzip -9n < "$tmp/$name.pbm" > "$name.pbm.gz"
done
