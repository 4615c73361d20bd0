#!/usr/bin/env bash
# Searches a generated 1000-page LaTeX document for a word that occurs once,
# and extracts all of its text, with `ksdvi search` and `ksdvi text` and with
# dvi2tty (its text piped through grep for the search); best of a few runs.
#   bench/text-vs-dvi2tty.sh [path/to/ksdvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"

dvi=$(typeset_bench thousand-pages)
pages=$(pages_of "$dvi")
found=$("$ksdvi" search "$dvi" rhododendron)

echo "document: $pages pages; the word: $found; best of $runs runs"
printf '%-8s %12s %12s %8s\n' task ksdvi dvi2tty ratio
ours=$(best "$ksdvi" search "$dvi" rhododendron)
theirs=$(best sh -c "dvi2tty -w132 '$dvi' | grep -q rhododendron")
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%-8s %11.2fs %11.2fs %8.2f\n", "search", a / 1e9, b / 1e9, a / b }'
ours=$(best "$ksdvi" text "$dvi")
theirs=$(best dvi2tty -w132 "$dvi")
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%-8s %11.2fs %11.2fs %8.2f\n", "text", a / 1e9, b / 1e9, a / b }'
