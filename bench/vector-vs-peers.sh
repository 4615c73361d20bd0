#!/usr/bin/env bash
# `ksdvi pdf` against dvipdfmx and `ksdvi svg` against dvisvgm, on the
# generated ~100-page LaTeX document and on a 4-page TikZ document: best wall
# time of three runs and the size of what each writes (all pages; SVG one
# file per page, sizes summed).
#   bench/vector-vs-peers.sh [path/to/ksdvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"

long=$(typeset_bench long-document)
{
  echo '\documentclass{article}\usepackage{tikz}\begin{document}'
  for i in 1 2 3 4; do
    echo '\begin{tikzpicture}'
    echo '\draw[very thick,red] (3,1.5) circle (1.4); \fill[blue!30] (0,4) rectangle (6,6);'
    echo "\\draw[thick] (0,8) .. controls (2,11) and (4,5) .. (6,8) node[right] {page $i};"
    echo '\foreach \x in {0,...,12} \draw (\x/2,9) -- (\x/2+0.3,10);'
    echo '\end{tikzpicture}\newpage'
  done
  echo '\end{document}'
} >"$work/tikz.tex"
(cd "$work" && latex -interaction=batchmode tikz.tex >/dev/null)

size() { du -cb "$@" | tail -1 | cut -f1; }
printf '%-6s %-4s %22s %22s %12s\n' doc kind "ksdvi s / KiB" "peer s / KiB" "ratios"
for dvi in "$long" "$work/tikz.dvi"; do
  name=$(basename "$dvi" .dvi)
  ow=$(best "$ksdvi" pdf -o out/o.pdf "$dvi"); (cd "$work" && mkdir -p out && "$ksdvi" pdf -o out/o.pdf "$dvi" 2>/dev/null)
  os=$(size "$work/out/o.pdf")
  tw=$(best dvipdfmx -q -o out/t.pdf "$dvi"); (cd "$work" && dvipdfmx -q -o out/t.pdf "$dvi" 2>/dev/null)
  ts=$(size "$work/out/t.pdf")
  awk -v n="${name:0:6}" -v ow="$ow" -v os="$os" -v tw="$tw" -v ts="$ts" 'BEGIN {
    printf "%-6s %-4s %12.2fs %7d %12.2fs %7d   %.2f %.2f\n", n, "pdf", ow / 1e9, os / 1024, tw / 1e9, ts / 1024, ow / tw, os / ts }'
  ow=$(best "$ksdvi" svg -o out/o-%d.svg "$dvi"); rm -rf "$work/out" && mkdir "$work/out"
  (cd "$work" && "$ksdvi" svg -o out/o-%d.svg "$dvi" 2>/dev/null)
  os=$(size "$work"/out/o-*.svg)
  tw=$(best dvisvgm -v0 -p 1- -o out/t-%p.svg "$dvi"); (cd "$work" && dvisvgm -v0 -p 1- -o out/t-%p.svg "$dvi" 2>/dev/null)
  ts=$(size "$work"/out/t-*.svg)
  awk -v n="${name:0:6}" -v ow="$ow" -v os="$os" -v tw="$tw" -v ts="$ts" 'BEGIN {
    printf "%-6s %-4s %12.2fs %7d %12.2fs %7d   %.2f %.2f\n", n, "svg", ow / 1e9, os / 1024, tw / 1e9, ts / 1024, ow / tw, os / ts }'
done
