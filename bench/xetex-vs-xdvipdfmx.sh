#!/usr/bin/env bash
# Renders a 20-page XeLaTeX document (fontspec with Latin Modern, unicode-math,
# a table and a rotated heading a page) with `ksdvi render` and with
# xdvipdfmx followed by pdftoppm at 150 dpi, best wall time of a few runs.
#   bench/xetex-vs-xdvipdfmx.sh [path/to/ksdvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"

{
  echo '\documentclass{article}\usepackage{fontspec}\usepackage{unicode-math}\usepackage{graphicx}'
  echo '\setmainfont{Latin Modern Roman}\setmathfont{Latin Modern Math}\begin{document}'
  for i in $(seq 20); do
    echo "\\section{Page $i}"
    for _ in 1 2 3 4; do
      echo 'Office workers find waffles in the fjord; affluent fluffy officials flow past the quay.'
      echo 'The quick brown fox jumps over the lazy dog, and \emph{sphinx of black quartz} judges my vow.'
      echo '\[ \int_0^1 x^2\,dx = \frac{1}{3}, \qquad \sum_{k=1}^{n} k = \frac{n(n+1)}{2} \]'
    done
    echo '\begin{tabular}{|c|c|c|}\hline \rotatebox{90}{Head} & Alpha & Beta \\ \hline 1 & 2 & 3 \\ \hline\end{tabular}'
    echo '\newpage'
  done
  echo '\end{document}'
} >"$work/xetex.tex"
(cd "$work" && xelatex -no-pdf -interaction=batchmode xetex.tex >/dev/null)

echo "20 pages of XeLaTeX, 150 dpi; $(nproc) cores; best of $runs runs"
ours=$(best "$ksdvi" render -r 150 -o out/p-%d.png xetex.xdv)
theirs=$(best sh -c "xdvipdfmx -q -o out/x.pdf xetex.xdv && pdftoppm -r 150 -png out/x.pdf out/p")
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ksdvi %.2fs  xdvipdfmx + pdftoppm %.2fs  ratio %.2f\n", a / 1e9, b / 1e9, a / b }'
