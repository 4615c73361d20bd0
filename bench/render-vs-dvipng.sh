#!/usr/bin/env bash
# Renders every page of a generated ~100-page LaTeX document (text and display
# mathematics) with `ksdvi render` and with dvipng, at 150 and at 600 dpi, and
# prints the ratios of wall time, CPU time and peak memory. Both write one PNG
# per page; each tool is measured over the same pages, paper and origin.
#   bench/render-vs-dvipng.sh [path/to/ksdvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"

dvi=$(typeset_bench long-document)
pages=$(pages_of "$dvi")


echo "document: $pages pages; $(nproc) cores; best of $runs runs (wall, CPU), largest peak memory"
printf '%-5s %24s %24s %18s\n' dpi "ksdvi wall/CPU/MiB" "dvipng wall/CPU/MiB" "ratios"
for dpi in 150 600; do
  read -r ow oc om < <(profile "$ksdvi" render -r "$dpi" -o "$work/out/p-%d.png" "$dvi")
  read -r tw tc tm < <(profile dvipng -q -D "$dpi" -T 210mm,297mm -O 1in,1in -o "$work/out/p-%d.png" "$dvi")
  awk -v d="$dpi" -v ow="$ow" -v oc="$oc" -v om="$om" -v tw="$tw" -v tc="$tc" -v tm="$tm" 'BEGIN {
    printf "%-5s %9.2fs %6.2fs %5d %9.2fs %6.2fs %5d   %.2f %.2f %.2f\n", d, ow, oc, om, tw, tc, tm, ow / tw, oc / tc, om / tm }'
done
