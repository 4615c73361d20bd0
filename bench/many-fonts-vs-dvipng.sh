#!/usr/bin/env bash
# Start-up with many fonts: one page with 121 fonts (Latin Modern at twelve
# sizes and six shapes, the psnfss families), and one Korean page of ko.TeX
# whose Hangul spreads over about 90 Nanum subfonts, rendered at 96 dpi by
# ksdvi and by dvipng; best of a few runs each.
#   bench/many-fonts-vs-dvipng.sh [path/to/ksdvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ksdvi=${1:-$root/build/tools/ksdvi/ksdvi}
runs=${RUNS:-5}
source "$root/bench/common.sh"
cd "$work"

{
  echo '\documentclass{article}\usepackage[T1]{fontenc}\usepackage{lmodern}\begin{document}'
  for size in 5 6 7 8 9 10 11 12 14 17 20 25; do
    for shape in rm it bf sf tt sc; do echo "{\\fontsize{$size}{$size}\\selectfont\\text$shape{A$size}}"; done
  done
  echo '{\usefont{T1}{cmr}{m}{n}x}{\usefont{OT1}{cmr}{m}{n}x}{\usefont{OT1}{cmss}{m}{n}x}{\usefont{OT1}{cmtt}{m}{n}x}'
  for family in ptm phv pcr ppl pbk pnc pag pzc; do
    echo "{\\usefont{T1}{$family}{m}{n}$family}{\\usefont{T1}{$family}{b}{n}$family}"
  done
  echo '\end{document}'
} >fonts.tex
latex -interaction=batchmode fonts.tex >/dev/null


# Every 37th syllable of the Hangul block, in lines of 40, and a bold line.
python3 - >korean.tex <<'PY'
syllables = [chr(0xAC00 + i) for i in range(0, 11172, 37)]
print(r'\documentclass{article}\usepackage{kotex}\begin{document}')
for i in range(0, len(syllables), 40):
    print(''.join(syllables[i:i + 40]) + '\n')
print(r'\textbf{' + ''.join(syllables[::5]) + '}')
print(r'\end{document}')
PY
latex -interaction=batchmode korean.tex >/dev/null

for doc in fonts korean; do
  fonts=$("$ksdvi" info $doc.dvi | grep -c -E 'outline|bitmap|virtual' || true)
  ours=$(best "$ksdvi" render -o k-%d.png $doc.dvi)
  theirs=$(best dvipng -q -o d-%d.png $doc.dvi)
  awk -v d="$doc" -v n="$fonts" -v a="$ours" -v b="$theirs" \
    'BEGIN { printf "%s: one page, %d fonts: ksdvi %.2fs, dvipng %.2fs, ratio %.2f\n", d, n, a / 1e9, b / 1e9, a / b }'
done
