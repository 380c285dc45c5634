#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the test pages of the fax page file writer with encoders that are not ours: ghostscript
# renders a page of text with rules and boxes (to PBM and, separately, to raw T.4 with its faxg3
# device), netpbm draws the rest and pbmtog3 encodes them. Each NAME.g3 is one page of raw T.4
# (MSB first, 1728 pixels) ending in an RTC of six EOLs; NAME.pbm.gz is the image it holds.
# The -fill pages have fill bits before their EOLs. Re-run from anywhere: sh make-pages.sh
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

# A4 at fine (196 lpi) and at normal (98 lpi) resolution, 1728 pixels across at 204 dpi.
render() { # resolution height name
    gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=pbmraw -g1728x"$2" -r204x"$1" -sOutputFile="$tmp/$3.ps.pbm" "$tmp/text.ps"
    pamtopnm "$tmp/$3.ps.pbm" > "$tmp/$3.pbm" # without ghostscript's comment line
}
render 196 2292 text-fine
render 98 1146 text-normal
gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=faxg3 -g1728x2292 -r204x196 -sOutputFile="$tmp/text-fine.raw" "$tmp/text.ps"
python3 g3tail.py "$tmp/text-fine.raw" text-fine.g3
cp "$tmp/text-fine.pbm" "$tmp/text-fine-src.pbm"

pbmtog3 -align8 "$tmp/text-normal.pbm" > "$tmp/text-normal-fill.raw"
python3 g3tail.py "$tmp/text-normal-fill.raw" text-normal-fill.g3
cp "$tmp/text-normal.pbm" "$tmp/text-normal-fill.pbm"

# Nearly blank: long white runs, one short mark in the middle of the page.
pbmmake -white 1728 1146 > "$tmp/white.pbm"
pbmtext -builtin fixed "p. 2" > "$tmp/mark.pbm"
pnmpaste "$tmp/mark.pbm" 850 560 "$tmp/white.pbm" > "$tmp/nearly-blank-fill.pbm"
pbmtog3 -align16 "$tmp/nearly-blank-fill.pbm" > "$tmp/nearly-blank-fill.raw"
python3 g3tail.py "$tmp/nearly-blank-fill.raw" nearly-blank-fill.g3

# Dense: a checkerboard of two-pixel squares, 864 runs a line (some lines of it only). One-pixel
# squares would be denser still, but libtiff's 1D decoder holds at most 1728 runs a line and
# rejects such a page from any encoder.
pbmmake -gray 864 24 | pamenlarge 2 > "$tmp/checker.pbm"
pbmtog3 "$tmp/checker.pbm" > "$tmp/checker.raw"
python3 g3tail.py "$tmp/checker.raw" checker.g3

# A black line across the whole width: one black run of 1728 (makeup 1728 and terminating 0).
pbmmake -white 1728 60 > "$tmp/top.pbm"
pbmmake -black 1728 3 > "$tmp/bar.pbm"
pnmcat -tb "$tmp/top.pbm" "$tmp/bar.pbm" "$tmp/top.pbm" > "$tmp/black-line.pbm"
pbmtog3 "$tmp/black-line.pbm" > "$tmp/black-line.raw"
python3 g3tail.py "$tmp/black-line.raw" black-line.g3
pbmtog3 -align8 "$tmp/black-line.pbm" > "$tmp/black-line-fill.raw"
python3 g3tail.py "$tmp/black-line-fill.raw" black-line-fill.g3
cp "$tmp/black-line.pbm" "$tmp/black-line-fill.pbm"

# Every page must decode (by netpbm) back to its image before it is kept.
for g3 in *.g3; do
    name=${g3%.g3}
    src="$tmp/$name.pbm"
    [ "$name" = text-fine ] && src="$tmp/text-fine-src.pbm"
    g3topbm -stop_error "$g3" | cmp -s - "$src" || { echo "$g3 does not decode to its image" >&2; exit 1; }
    gzip -9n < "$src" > "$name.pbm.gz"
done
