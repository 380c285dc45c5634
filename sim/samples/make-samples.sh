#!/usr/bin/env bash
# Makes the demo's stored faxes: raw T.4 pages (one-dimensional, most significant bit first, each
# ended by RTC) drawn with ghostscript and encoded with netpbm's pbmtog3.
#   letter.t4           a one-page letter, fine resolution
#   form.t4             a one-page form of boxes and lines, normal resolution
#   report-1.t4, -2.t4  a two-page document, fine resolution
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# page NAME VRES(196|98) POSTSCRIPT
page() {
    local name=$1 vres=$2 height
    if [ "$vres" = 196 ]; then height=2200; else height=1100; fi
    cat > "$work/$name.ps"
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pbmraw -r204x$vres -g1728x$height \
        -sOutputFile="$work/$name.pbm" "$work/$name.ps"
    pbmtog3 "$work/$name.pbm" > "$name.t4"
}

page letter 196 <<'PS'
%!PS
/F { findfont exch scalefont setfont } def
18 /Helvetica-Bold F 72 740 moveto (Harbour Supplies Ltd.) show
10 /Helvetica F 72 726 moveto (12 Quay Road, Port Amber) show
72 712 moveto (Tel 0571-8765 4321   Fax 0571-8765 4322) show
newpath 72 700 moveto 540 700 lineto 1 setlinewidth stroke
11 /Times-Roman F
/y 660 def
[ (10 December 2026) () (Dear Ms. Lin,) ()
  (Thank you for your order of 3 December. The twelve cartons of printer paper and)
  (the four toner cartridges left our warehouse this morning and should reach you)
  (on Friday. The delivery note and our invoice follow by post.)
  () (Should anything arrive damaged, please call us within seven days.) ()
  (Yours sincerely,) () () (Tomas Berg) (Sales Office) ]
{ 72 y moveto show /y y 15 sub def } forall
showpage
PS

page form 98 <<'PS'
%!PS
/F { findfont exch scalefont setfont } def
16 /Helvetica-Bold F 200 760 moveto (DELIVERY REQUEST FORM) show
1.5 setlinewidth
newpath 60 60 moveto 552 60 lineto 552 740 lineto 60 740 lineto closepath stroke
10 /Helvetica F
/row 700 def
[ (Customer) (Address) (Telephone) (Date wanted) (Items) ] {
  70 row 8 add moveto show
  newpath 160 row moveto 540 row lineto 0.8 setlinewidth stroke
  /row row 40 sub def } forall
% a table of five rows by four columns
1 setlinewidth
0 1 5 { /i exch def newpath 70 480 i 40 mul sub moveto 540 480 i 40 mul sub lineto stroke } for
[ 70 250 350 450 540 ] { /x exch def newpath x 480 moveto x 280 lineto stroke } forall
80 490 moveto (Article) show 260 490 moveto (Quantity) show 360 490 moveto (Unit) show 460 490 moveto (Price) show
70 120 moveto (Signature:) show newpath 140 118 moveto 330 118 lineto stroke
showpage
PS

for n in 1 2; do
page report-$n 196 <<PS
%!PS
/F { findfont exch scalefont setfont } def
14 /Helvetica-Bold F 72 740 moveto (Quarterly stock report - page $n of 2) show
10 /Courier F
/y 700 def
1 1 30 { /i exch def 72 y moveto (Item ) show i 3 string cvs show
  (   shelf ) show i $n mul 7 mod 1 add 2 string cvs show (   count ) show i 37 mul $n add 1000 mod 4 string cvs show
  /y y 18 sub def } for
newpath 72 130 moveto 540 130 lineto 0.5 setlinewidth stroke
72 115 moveto (Checked by the warehouse office.) show
showpage
PS
done
ls -l ./*.t4
