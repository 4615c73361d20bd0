#!/usr/bin/env bash
# The main job on the bundled sample.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ksdvi=${1:-$root/build/tools/ksdvi/ksdvi}
"$ksdvi" info "$root/samples/sample.dvi"
