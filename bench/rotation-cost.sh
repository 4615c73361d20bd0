#!/usr/bin/env bash
# What graphicx's rotations cost: renders 20 pages with a \rotatebox each and
# the same pages without, at 150 dpi, and prints the time ratio (best of a
# few runs). Rotations are evaluated without Ghostscript.
#   bench/rotation-cost.sh [path/to/ksdvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ksdvi=${1:-$root/build/tools/ksdvi/ksdvi}
runs=${RUNS:-5}
source "$root/bench/common.sh"

for kind in rotated upright; do
  {
    echo '\documentclass{article}\usepackage{graphicx}\begin{document}'
    for i in $(seq 20); do
      if [ $kind = rotated ]; then word="\rotatebox{90}{turned}"; else word="turned"; fi
      echo "Page $i: some text with one word $word and more text after it.\newpage"
    done
    echo '\end{document}'
  } >"$work/$kind.tex"
  (cd "$work" && latex -interaction=batchmode $kind.tex >/dev/null)
done


rotated=$(best "$ksdvi" render -r 150 -o out/p-%d.png rotated.dvi)
upright=$(best "$ksdvi" render -r 150 -o out/p-%d.png upright.dvi)
awk -v a="$rotated" -v b="$upright" \
  'BEGIN { printf "20 pages at 150 dpi: rotated %.2fs, upright %.2fs, ratio %.2f\n", a / 1e9, b / 1e9, a / b }'
