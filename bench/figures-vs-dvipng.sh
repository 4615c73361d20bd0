#!/usr/bin/env bash
# Renders a 20-page LaTeX document with one EPS figure per page (graphicx,
# dvips driver) with `ksdvi render` and with dvipng at 150 dpi, and prints
# the time ratio, best of a few runs. dvipng starts a Ghostscript for every
# figure; ksdvi keeps one interpreter for the process.
#   bench/figures-vs-dvipng.sh [path/to/ksdvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ksdvi=${1:-$root/build/tools/ksdvi/ksdvi}
runs=${RUNS:-3}
source "$root/bench/common.sh"

cp "$root/tests/data/figure.eps" "$work/"
{
  echo '\documentclass{article}\usepackage{graphicx}\begin{document}'
  for i in $(seq 20); do
    echo "Page $i with its figure.\par\includegraphics[width=$((4 + i % 5))cm]{figure.eps}\newpage"
  done
  echo '\end{document}'
} >"$work/figures.tex"
(cd "$work" && latex -interaction=batchmode figures.tex >/dev/null)


echo "20 pages, one EPS figure each, 150 dpi; $(nproc) cores; best of $runs runs"
ours=$(best "$ksdvi" render -r 150 -o out/p-%d.png figures.dvi)
theirs=$(best dvipng -q -D 150 -o out/p-%d.png figures.dvi)
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ksdvi %.2fs  dvipng %.2fs  ratio %.2f\n", a / 1e9, b / 1e9, a / b }'
