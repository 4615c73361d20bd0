#!/usr/bin/env bash
# Peak memory of `ksdvi print` at 1200 dpi against what one page takes: the
# page's pixels (4 bytes each) plus one 1 MiB band should bound it, however
# many pages are printed. `ksdvi render` of one page is shown for reference.
#   bench/print-memory.sh [path/to/ksdvi] [FILE.dvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ksdvi=${1:-$root/build/tools/ksdvi/ksdvi}
dvi=${2:-$root/tests/data/latex.dvi}
dpi=1200
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

peak() {  # peak resident set of a command, in MiB
  /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
  echo $(($(cat "$work/rss") / 1024))
}

pages=$("$ksdvi" info "$dvi" | awk '/^pages:/ { print $2 }')
"$ksdvi" render -r $dpi -p 1 -o "$work/page-%d.png" "$dvi" >/dev/null
read -r width height < <(file "$work/page-1.png" | sed -E 's/.*, ([0-9]+) x ([0-9]+),.*/\1 \2/')
page=$((width * height * 4 / 1048576))
render=$(peak "$ksdvi" render -r $dpi -p 1 -o "$work/page-%d.png" "$dvi")
one=$(peak "$ksdvi" print -r $dpi -p 1 -o "$work/one.pdf" "$dvi")
start=$(date +%s%N)
all=$(peak "$ksdvi" print -r $dpi -o "$work/all.pdf" "$dvi")
end=$(date +%s%N)
ps=$(peak "$ksdvi" print -r $dpi -o "$work/all.ps" "$dvi")
echo "$(basename "$dvi") at $dpi dpi: a page is ${width}x${height} pixels, $page MiB; a band 1 MiB"
echo "  render 1 page:        peak $render MiB"
echo "  print 1 page (PDF):   peak $one MiB"
echo "  print $pages pages (PDF): peak $all MiB, $(awk -v t=$((end - start)) 'BEGIN { printf "%.1f", t / 1e9 }') s, $(($(stat -c %s "$work/all.pdf") / 1024)) KiB"
echo "  print $pages pages (PS):  peak $ps MiB"
