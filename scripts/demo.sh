#!/usr/bin/env bash
# The main job on the bundled sample: render its pages to PNG.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ksdvi=${1:-$root/build/tools/ksdvi/ksdvi}
out=$root/out
mkdir -p "$out"
"$ksdvi" info "$root/samples/sample.dvi"
echo
echo "Rendering at 150 dpi:"
"$ksdvi" render -r 150 -o "$out/sample-%d.png" "$root/samples/sample.dvi"
