#!/usr/bin/env bash
# Makes the DVI file of every .tex source in the given folders (default: the
# test data and the samples) with the TeX of this machine. Dates are pinned so
# that the output is reproducible.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dirs=("$@")
[ ${#dirs[@]} -gt 0 ] || dirs=("$root/tests/data" "$root/samples")
export SOURCE_DATE_EPOCH=1700000000 FORCE_SOURCE_DATE=1
# The test fonts made from property lists are found beside TeX's own.
export TEXFONTS=".:$root/tests/data/metrics:"

for dir in "${dirs[@]}"; do
  dir=$(cd "$dir" && pwd)
  for src in "$dir"/*.tex; do
    [ -e "$src" ] || continue
    name=$(basename "$src" .tex)
    work=$(mktemp -d)
    cp "$dir"/*.tex "$work/"
    if grep -q '\\documentclass' "$src"; then engine=latex; else engine=tex; fi
    # A source whose first line says "% engine: xetex" is XeTeX's: an XDV file.
    out=dvi
    if head -1 "$src" | grep -q '^% engine: xetex'; then engine="xetex -no-pdf"; out=xdv; fi
    # The date goes into the DVI preamble: pin it. LaTeX documents with cross
    # references need a second run.
    run="\\year=2023 \\month=11 \\day=14 \\time=0 \\input $name.tex"
    # Figures and other inputs beside the source are found there.
    if ! (cd "$work" && TEXINPUTS=".:$dir:" $engine -interaction=nonstopmode "$run" >/dev/null &&
          { [ "$engine" != latex ] || TEXINPUTS=".:$dir:" $engine -interaction=nonstopmode "$run" >/dev/null; }); then
      echo "make-dvi: $engine failed on $src (see $work/$name.log)" >&2
      exit 1
    fi
    cp "$work/$name.$out" "$dir/$name.$out"
    rm -rf "$work"
    echo "made ${dir#$root/}/$name.$out"
  done
done
