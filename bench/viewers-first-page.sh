#!/usr/bin/env bash
# Page 1 of the generated 1000-page LaTeX document (bench/thousand-pages.tex)
# on screen, side by side: ksdvi-view, xdvi and evince (those installed),
# each in its own window size under Xvfb at 1920x1080 on a white screen,
# timed by first_paint from the start until the screen first shows the
# page's text: more of it dark than halfway between what the viewer shows of
# a blank page and of page 1 (its frame, borders and bars being dark too).
# The best of RUNS runs, after those two (xdvi makes its PK fonts then).
#   bench/viewers-first-page.sh [path/to/ksdvi]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"
build=$(dirname "$ksdvi")/../..
view=$build/tools/ksdvi-view/ksdvi-view
first_paint=$build/bench/first_paint

dvi=$(typeset_bench thousand-pages)
cp "$dvi" "$work/view.dvi"
printf '\\shipout\\hbox{}\\end\n' >"$work/blank.tex"
(cd "$work" && tex -interaction=batchmode blank.tex >/dev/null 2>&1)
Xvfb -displayfd 3 -screen 0 1920x1080x24 -wr -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")

# The most of the screen dark within 3 s of starting "$@".
darkest() {
  "$first_paint" 1 3 "$@" 2>/dev/null | tail -1 || true
  sleep 0.5
}

measure() {
  local name=$1 best="" step="" ms took blank page fraction
  shift
  blank=$(darkest "$@" "$work/blank.dvi")
  page=$(darkest "$@" "$work/view.dvi")
  fraction=$(awk -v b="$blank" -v p="$page" 'BEGIN { print (b + p) / 2 }')
  for _ in $(seq "$runs"); do
    read -r ms took < <("$first_paint" "$fraction" 20 "$@" "$work/view.dvi" 2>/dev/null || echo "- -")
    sleep 0.5
    [ "$ms" = - ] && continue
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms step=$took; fi
  done
  if [ -z "$best" ]; then echo "$name: no page seen"; return; fi
  echo "$name: page 1 on screen after $best ms (a screenshot takes $step ms; dark: blank $blank, page $page)"
}

export GDK_BACKEND=x11 GSK_RENDERER=cairo NO_AT_BRIDGE=1
measure ksdvi-view "$view"
if command -v xdvi >/dev/null; then
  measure xdvi xdvi -expert
else
  echo "xdvi: not installed"
fi
if command -v evince >/dev/null; then
  measure evince evince
else
  echo "evince: not installed"
fi
