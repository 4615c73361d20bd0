#!/usr/bin/env bash
# Renders every page of a generated ~100-page LaTeX document (text and display
# mathematics) with `ksdvi render` and with dvipng, at 150 and at 600 dpi, and
# prints the time ratio. Both write one PNG per page; each tool is timed over
# the same pages, paper and origin, best of a few runs.
#   bench/render-vs-dvipng.sh [path/to/ksdvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"

dvi=$(typeset_bench long-document)
pages=$(pages_of "$dvi")


echo "document: $pages pages; $(nproc) cores; best of $runs runs"
printf '%-6s %12s %12s %8s\n' dpi ksdvi dvipng ratio
for dpi in 150 600; do
  ours=$(best "$ksdvi" render -r "$dpi" -o "$work/out/p-%d.png" "$dvi")
  theirs=$(best dvipng -q -D "$dpi" -T 210mm,297mm -O 1in,1in -o "$work/out/p-%d.png" "$dvi")
  awk -v d="$dpi" -v a="$ours" -v b="$theirs" 'BEGIN { printf "%-6s %11.2fs %11.2fs %8.2f\n", d, a / 1e9, b / 1e9, a / b }'
done
