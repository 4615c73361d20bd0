#!/usr/bin/env bash
# Latency: the first page of a generated 1000-page LaTeX document rendered
# at 96 dpi by ksdvi (`render -p 1`) and by dvipng (`-p 1 -l 1`), best of a
# few runs each. Both read only what the first page needs. Then the same page
# through the library, after the process's start-up (bench/first_page_bench.cpp).
#   bench/first-page-vs-dvipng.sh [path/to/ksdvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-5}
source "$root/bench/common.sh"

dvi=$(typeset_bench thousand-pages)
ours=$(best "$ksdvi" render -p 1 -o out/k-%d.png "$dvi")
theirs=$(best dvipng -q -p 1 -l 1 -o out/d-%d.png "$dvi")
awk -v n="$(pages_of "$dvi")" -v a="$ours" -v b="$theirs" \
  'BEGIN { printf "page 1 of %d: ksdvi %.3fs, dvipng %.3fs, ratio %.2f\n", n, a / 1e9, b / 1e9, a / b }'
micro=$(dirname "$ksdvi")/../../bench/ksdvi_bench
if [ -x "$micro" ]; then
  KSDVI_BENCH_DVI="$dvi" "$micro" --benchmark_filter=FirstPage 2>/dev/null | grep '^BM_'
fi
