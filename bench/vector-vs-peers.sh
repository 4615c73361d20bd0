#!/usr/bin/env bash
# `ksdvi pdf` against dvipdfmx and `ksdvi svg` against dvisvgm, on the
# generated ~100-page LaTeX document and on a 4-page TikZ document: best wall
# time of three runs and the size of what each writes (all pages; SVG one
# file per page, sizes summed). dvipdfmx leaves out the PostScript of TikZ's
# dvips driver, so the TikZ document's PDF peer is dvips with ps2pdf.
#   bench/vector-vs-peers.sh [path/to/ksdvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"

long=$(typeset_bench long-document)
tikz=$(typeset_bench tikz-pages)

size() { du -cb "$@" | tail -1 | cut -f1; }
printf '%-6s %-4s %22s %22s %12s\n' doc kind "ksdvi s / KiB" "peer s / KiB" "ratios"
for dvi in "$long" "$tikz"; do
  name=$(basename "$dvi" .dvi)
  ow=$(best "$ksdvi" pdf -o out/o.pdf "$dvi"); (cd "$work" && mkdir -p out && "$ksdvi" pdf -o out/o.pdf "$dvi" 2>/dev/null)
  os=$(size "$work/out/o.pdf")
  if [ "$dvi" = "$tikz" ]; then peer=(sh -c "dvips -q -o out/t.ps '$dvi' && ps2pdf out/t.ps out/t.pdf"); else peer=(dvipdfmx -q -o out/t.pdf "$dvi"); fi
  tw=$(best "${peer[@]}"); (cd "$work" && "${peer[@]}" 2>/dev/null)
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
