#!/usr/bin/env bash
# Pages that carry PostScript, rendered by ksdvi and by dvips with Ghostscript
# at 150 dpi: a 13-slide beamer talk (overlays, navigation symbols) and a
# 4-page TikZ document (patterns, shadings, curves). Prints the wall time, the
# CPU time (user and system) and the peak memory of each (best of RUNS runs).
#   bench/postscript-vs-dvips.sh [path/to/ksdvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"

{
  echo '\documentclass{beamer}\usetheme{Madrid}\title{A talk}\author{Someone}'
  echo '\begin{document}\begin{frame}\titlepage\end{frame}'
  for i in 1 2 3 4; do
    echo "\\begin{frame}{Part $i}\\begin{itemize}"
    echo '\item<+-> A first point, uncovered at once'
    echo '\item<+-> A second point, with \alert{a word} in colour'
    echo '\item<+-> A third point, and a formula $e^{i\pi}+1=0$'
    echo '\end{itemize}\end{frame}'
  done
  echo '\end{document}'
} >"$work/talk.tex"
cp "$root/bench/tikz-pages.tex" "$work/tikz.tex"
for doc in talk tikz; do
  (cd "$work" && latex -interaction=batchmode $doc.tex >/dev/null && latex -interaction=batchmode $doc.tex >/dev/null)
  (cd "$work" && dvips -q -o $doc.ps $doc.dvi)
done

gs_render() { gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -dTextAlphaBits=4 -dGraphicsAlphaBits=4 -r150 \
  -o out/p-%d.png "$1"; }

printf '| document | pages | ksdvi wall / CPU / memory | dvips + gs wall / CPU / memory | ratios |\n|---|---|---|---|---|\n'
for doc in talk tikz; do
  pages=$(pages_of "$work/$doc.dvi")
  read -r kw kc km < <(profile "$ksdvi" render -r 150 -o out/p-%d.png $doc.dvi)
  # dvips' own time counts: it makes the PostScript from the DVI file each time.
  read -r dw dc dm < <(profile bash -c "dvips -q -o out/x.ps $doc.dvi && $(declare -f gs_render); gs_render out/x.ps")
  awk -v n="$doc" -v p="$pages" -v kw="$kw" -v kc="$kc" -v km="$km" -v dw="$dw" -v dc="$dc" -v dm="$dm" \
    'BEGIN { printf "| %s | %d | %.2f s / %.2f s / %d MiB | %.2f s / %.2f s / %d MiB | %.2f / %.2f / %.2f |\n",
             n, p, kw, kc, km, dw, dc, dm, kw / dw, kc / dc, km / dm }'
done
