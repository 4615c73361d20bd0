#!/usr/bin/env bash
# The viewer under Xvfb at 1920x1080 on a generated 1000-page LaTeX document
# (bench/thousand-pages.tex): when page 1 shows after the start, how long the
# next page takes uncached and from the cache, how soon the page in view is
# drawn again after TeX rewrites the file, and the memory held after paging
# through every page. The viewer reports its own events (KSDVI_VIEW_TIMES).
#   bench/viewer.sh [path/to/ksdvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"
view=$(dirname "$ksdvi")/../ksdvi-view/ksdvi-view

dvi=$(typeset_bench thousand-pages)
cp "$dvi" "$work/view.dvi"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")

start=$(date +%s%N)
KSDVI_VIEW_TIMES=1 GDK_BACKEND=x11 GSK_RENDERER=cairo "$view" "$work/view.dvi" 2>"$work/times" &
viewer=$!
for _ in $(seq 200); do grep -q '^drawn page=1 ' "$work/times" && break; sleep 0.01; done
shown=$(( ($(date +%s%N) - start) / 1000000 ))
window=$(xdotool search --sync --name view.dvi | head -1)
xdotool windowsize --sync "$window" 1920 1080 || true
sleep 1

took() { awk -v e="$1" -v p="$2" '$1 == e && $2 == "page=" p { sub("took=", "", $4); v = $4 } END { print v }' "$work/times"; }
xdotool key --window "$window" 5 g
sleep 1
uncached=$(took drawn 5)
xdotool key --window "$window" 3 g
sleep 0.5
xdotool key --window "$window" 5 g
sleep 0.5
cached=$(awk '$1 == "frame" && $2 == "page=5" { sub("took=", "", $4); v = $4 } END { print v }' "$work/times")

# A rerun that changes the page in view (5): the file rewritten whole, as
# TeX does; the time until that page is drawn anew.
mkdir "$work/rerun"
sed 's/\\ifnum\\pageno=777 /\\ifnum\\pageno=5 Rewritten here.\\par\\fi\n  \\ifnum\\pageno=777 /' \
  "$root/bench/thousand-pages.tex" > "$work/rerun/thousand-pages.tex"
(cd "$work/rerun" && latex -interaction=batchmode thousand-pages.tex >/dev/null)
before=$(grep -c '^drawn page=5 ' "$work/times" || true)
written=$(date +%s%N)
cp "$work/rerun/thousand-pages.dvi" "$work/view.dvi.new" && mv "$work/view.dvi.new" "$work/view.dvi"
for _ in $(seq 300); do
  [ "$(grep -c '^drawn page=5 ' "$work/times" || true)" -gt "$before" ] && break
  sleep 0.01
done
redrawn=$(( ($(date +%s%N) - written) / 1000000 ))

# Paging through the document: End, then the memory held.
for _ in $(seq 100); do xdotool key --window "$window" --repeat 10 --delay 5 Page_Down; done
sleep 1
rss=$(awk '/VmRSS/ { print int($2 / 1024) }' "/proc/$viewer/status")
kill "$viewer"

echo "page 1 of $(pages_of "$dvi") shown ${shown} ms after the start"
echo "next page: drawn in ${uncached} ms uncached, painted in ${cached} ms from the cache"
echo "after a rerun that changes the page in view: drawn anew ${redrawn} ms after the file is written"
echo "memory after paging through: ${rss} MiB"
