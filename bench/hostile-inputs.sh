#!/usr/bin/env bash
# Time and peak memory of ksdvi on inputs made to exhaust it: 4,000 sizes of
# a virtual font, virtual fonts chained three and four levels deep (50 sizes
# each), fonts whose programs METAFONT cannot make (at many sizes, named by
# virtual fonts that name themselves or each other), a page of 100 MB traced,
# a file of 2.4 GB, a document asking for huge paper, pages of pictures
# declaring 16000 x 16000 pixels, and documents naming files they may not
# read (outside their directory, FIFOs).
#   bench/hostile-inputs.sh [path/to/ksdvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ksdvi=${1:-$root/build/tools/ksdvi/ksdvi}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

measure() {  # label, then the command; prints seconds (and CPU seconds), peak MiB and the exit status
  local label=$1
  shift
  local status=0
  /usr/bin/time -f "%e %U %S %M" -o time.txt "$@" >/dev/null 2>err.txt || status=$?
  read -r seconds user system kib < <(tail -n 1 time.txt)
  printf '%-40s %6.2f s (CPU %6.2f s) %6d MiB  exit %d\n' "$label" "$seconds" \
    "$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')" $((kib / 1024)) "$status"
}

# 4,000 sizes of Times (a virtual font over the raw font).
printf '%s\n' '\newcount\n \n=0' '\loop\advance\n by 1' '\font\x=ptmr7t at \n sp \x A%' \
  '\ifnum\n<4000\repeat' '\bye' >sizes.tex
tex -interaction=batchmode sizes.tex >/dev/null
measure "info: 4000 sizes of ptmr7t" "$ksdvi" info sizes.dvi

# Virtual fonts each naming the next at 50 sizes, down to cmr10.
chain() {  # name, the font it maps to
  {
    echo '(VTITLE chained)' '(DESIGNSIZE R 10.0)' '(FONTDIMEN (QUAD R 10.0))'
    for i in $(seq 0 49); do
      awk -v i="$i" -v f="$2" 'BEGIN { printf "(MAPFONT D %d (FONTNAME %s) (FONTAT R %.6f))\n", i, f, 1 + i / 97 }'
    done
    echo '(CHARACTER C A (CHARWD R 7.5) (CHARHT R 6.83) (MAP'
    for i in $(seq 0 49); do echo "   (SELECTFONT D $i) (SETCHAR C A)"; done
    echo '   ))'
  } >"$1.vpl"
  vptovf "$1.vpl" "$1.vf" "$1.tfm" >/dev/null
}
chain kc cmr10
chain kb kc
chain ka kb
chain kz ka
for top in ka kz; do
  printf '%s\n' "\\font\\x=$top \\x A" '\bye' >"$top-doc.tex"
  tex -interaction=batchmode "$top-doc.tex" >/dev/null
done
measure "info: VFs chained 3 deep" "$ksdvi" info --tfm-path . --vf-path . ka-doc.dvi
measure "info: VFs chained 4 deep" "$ksdvi" info --tfm-path . --vf-path . kz-doc.dvi

# One page of 100 MB: lines of letters of cmr10.
python3 - <<'PY'
import struct
def fntdef():
    return bytes([243, 0]) + struct.pack('>III', 0x4BF16079, 655360, 655360) + bytes([0, 5]) + b'cmr10'
out = bytearray([247, 2]) + struct.pack('>III', 25400000, 473628672, 1000) + bytes([0])
bop = len(out)
out += bytes([139]) + struct.pack('>11i', 1, *[0] * 9, -1) + fntdef() + bytes([171])
line = bytes([141]) + bytes(range(65, 91)) * 3 + bytes([142, 157, 12])
out += line * (100_000_000 // len(line)) + bytes([140])
post = len(out)
out += bytes([248]) + struct.pack('>iIIIiiHH', bop, 25400000, 473628672, 1000, 1 << 20, 1 << 20, 10, 1) + fntdef()
out += bytes([249]) + struct.pack('>i', post) + bytes([2]) + bytes([223] * 4)
open('bigpage.dvi', 'wb').write(out)
PY
measure "trace: a page of 100 MB" "$ksdvi" trace -p 1 bigpage.dvi

# 24 pages of 100 MB each: 2.4 GB, past what the postamble's pointers reach.
python3 - <<'PYTHON'
import struct
def fntdef():
    return bytes([243, 0]) + struct.pack('>III', 0x4BF16079, 655360, 655360) + bytes([0, 5]) + b'cmr10'
line = bytes([141]) + bytes(range(65, 91)) * 3 + bytes([142, 157, 12])
body = line * (100_000_000 // len(line))
with open('huge.dvi', 'wb') as out:
    out.write(bytes([247, 2]) + struct.pack('>III', 25400000, 473628672, 1000) + bytes([0]))
    at, prev = 15, -1
    for page in range(24):
        head = bytes([139]) + struct.pack('>11i', page + 1, *[0] * 9, prev if prev < 2**31 else -1)
        data = head + (fntdef() if page == 0 else b'') + bytes([171]) + body + bytes([140])
        out.write(data)
        prev, at = at, at + len(data)
    tail = bytes([248]) + struct.pack('>iIIIiiHH', -1, 25400000, 473628672, 1000, 1 << 20, 1 << 20, 10, 24)
    out.write(tail + fntdef() + bytes([249]) + struct.pack('>I', at & 0xFFFFFFFF) + bytes([2]) + bytes([223] * 4))
PYTHON
measure "info: a file of 2.4 GB (24 pages)" "$ksdvi" info huge.dvi
measure "trace: page 24 of 2.4 GB" "$ksdvi" trace -p 24 huge.dvi
measure "render: page 5 of 2.4 GB (33M characters)" "$ksdvi" render -p 5 -o p-%d.png huge.dvi
rm -f huge.dvi

# A font with metrics but no program at 400 sizes: METAFONT is tried once.
cp "$(kpsewhich cmr10.tfm)" ksnoprog.tfm
printf '%s\n' '\newcount\n \n=0' '\loop\advance\n by 1' '\font\x=ksnoprog at \n pt \x A%' \
  '\ifnum\n<400\repeat' '\bye' >noprog.tex
TFMFONTS=.: tex -interaction=batchmode noprog.tex >/dev/null
measure "render: a font METAFONT cannot make, 400 sizes" "$ksdvi" render --tfm-path . -o p-%d.png noprog.dvi
# Virtual fonts over it that name themselves, and each other, at 50 sizes.
chain kself kself
chain kpa kpb
chain kpb kpa
for top in kself kpa; do
  printf '%s\n' "\\font\\x=$top \\x A" '\bye' >"$top-doc.tex"
  TFMFONTS=.: tex -interaction=batchmode "$top-doc.tex" >/dev/null
done
measure "render: a VF naming itself at 50 sizes" "$ksdvi" render --tfm-path . --vf-path . -o p-%d.png kself-doc.dvi
measure "render: two VFs naming each other" "$ksdvi" render --tfm-path . --vf-path . -o p-%d.png kpa-doc.dvi

# Files a document may not read, and a FIFO that would block a reader for ever.
mkdir -p doc
mkfifo doc/fifo.pro
printf '%s\n' '\special{header=/etc/passwd}\special{ps: 0 0 moveto (x) show}' '\special{psfile=/etc/passwd}x' \
  '\bye' >doc/passwd.tex
printf '%s\n' '\special{header=fifo.pro}\special{ps: 0 0 moveto (x) show}x' '\bye' >doc/fifo.tex
(cd doc && tex -interaction=batchmode passwd.tex >/dev/null && tex -interaction=batchmode fifo.tex >/dev/null)
measure "render: header= and psfile= /etc/passwd" "$ksdvi" render -o p-%d.png doc/passwd.dvi
measure "render: a header that is a FIFO" "$ksdvi" render -o p-%d.png doc/fifo.dvi

printf '%s\n' '\special{papersize=16383pt,16383pt}x' '\bye' >paper.tex
tex -interaction=batchmode paper.tex >/dev/null
measure "render: papersize 16383pt (refused)" "$ksdvi" render -o p-%d.png paper.dvi
measure "render: papersize 16383pt at 30 dpi" "$ksdvi" render -r 30 -o p-%d.png paper.dvi

# Pictures declaring 16000 x 16000 pixels, 12000pt at 96 to the inch: the
# 372-byte JPEG of the test data given that frame (its data ends after the
# first blocks), and a PNG of one grey that deflate makes some 260 KB of.
# Each alone on a page three inches wide; six on a page (three of each) an
# inch and a half wide, at 96 and 600 dpi; the six at their own size (the
# page's budget leaves all but one out).
python3 - "$root/tests/data/pictures/rgb.jpg" <<'PY'
import struct, sys, zlib
jpeg = bytearray(open(sys.argv[1], 'rb').read())
frame = jpeg.index(b'\xff\xc0')
jpeg[frame + 5:frame + 9] = struct.pack('>HH', 16000, 16000)
open('bomb.jpg', 'wb').write(jpeg)
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
z = zlib.compressobj(9, zlib.DEFLATED, 15, 9, zlib.Z_RLE)
row = b'\0' + bytes([160]) * 16000
idat = b''.join(z.compress(row) for _ in range(16000)) + z.flush()
open('bomb.png', 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 16000, 16000, 8, 0, 0, 0, 0)) +
                             chunk(b'IDAT', idat) + chunk(b'IEND', b''))
PY
bombs() {  # name, shown size, then TYPE:FILE for each picture
  local name=$1 shown=$2
  shift 2
  {
    for picture in "$@"; do
      echo "\\special{graphics: 0pt 0pt 12000pt 12000pt $shown $shown ${picture%%:*} ${picture#*:}}\\hskip 110pt"
    done
    echo '\bye'
  } >"$name.tex"
  tex -interaction=batchmode "$name.tex" >/dev/null
}
bombs jpeg-bomb 216pt JPEG:bomb.jpg
bombs png-bomb 216pt PNG:bomb.png
bombs six-bombs 108pt JPEG:bomb.jpg PNG:bomb.png JPEG:bomb.jpg PNG:bomb.png JPEG:bomb.jpg PNG:bomb.png
bombs six-large 12000pt JPEG:bomb.jpg PNG:bomb.png JPEG:bomb.jpg PNG:bomb.png JPEG:bomb.jpg PNG:bomb.png
measure "render: a JPEG bomb, 3in" "$ksdvi" render -o p-%d.png jpeg-bomb.dvi
measure "render: a PNG bomb, 3in" "$ksdvi" render -o p-%d.png png-bomb.dvi
measure "render: six bombs, 1.5in each" "$ksdvi" render -o p-%d.png six-bombs.dvi
measure "render: six bombs at 12000pt (budget)" "$ksdvi" render -o p-%d.png six-large.dvi
measure "render: six bombs, 1.5in, 600 dpi" "$ksdvi" render -r 600 -o p-%d.png six-bombs.dvi

# 3,000 glyphs of a bitmap font (METAFONT's, through mktexpk), each scaled by
# PostScript 50 times to cover the page, and 3,000 of an outline font at
# 2000 pt (at 600 dpi four times the largest glyphs kept whole): only the
# part of a glyph that shows is made and drawn.
glyphs() {  # name, font, then the specials before and after
  {
    echo '\nopagenumbers\special{papersize=8.5in,11in}'
    echo "\\font\\big=$2 \\big \\hbox{\\special{$3}%"
    echo '\count1=0 \loop\rlap{A}\advance\count1 by 1 \ifnum\count1<3000 \repeat'
    echo "\\special{$4}}\\bye"
  } >"$1.tex"
  tex -interaction=batchmode "$1.tex" >/dev/null
}
glyphs scaled-bitmaps ecbx1440 'ps: currentpoint currentpoint translate 50 50 scale neg exch neg exch translate' \
  'ps: currentpoint currentpoint translate 1 50 div 1 50 div scale neg exch neg exch translate'
glyphs large-outlines 'cmr10 at 2000pt' 'color push gray 0' 'color pop'
measure "render: 3000 bitmap glyphs scaled 50x" "$ksdvi" render -r 150 -o p-%d.png scaled-bitmaps.dvi
measure "render: 3000 outline glyphs at 2000pt" "$ksdvi" render -r 150 -o p-%d.png large-outlines.dvi
measure "render: the same at 600 dpi" "$ksdvi" render -r 600 -o p-%d.png large-outlines.dvi
