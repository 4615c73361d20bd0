#!/usr/bin/env bash
# The dynamic symbols libksdvi.so defines are the embedding interface's, in
# namespace ksdvi, and its soname carries the major version.
#   shared-library-exports.sh LIBRARY
set -euo pipefail
library=$1
soname=$(objdump -p "$library" | awk '$1 == "SONAME" { print $2 }')
[[ $soname =~ ^libksdvi\.so\.[0-9]+$ ]] || { echo "soname '$soname' is not libksdvi.so.N" >&2; exit 1; }
exported=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TWDBRVu]$/ { print $3 }' | c++filt)
[ -n "$exported" ] || { echo "nothing exported" >&2; exit 1; }
grep -q '^ksdvi::Document::Open(' <<<"$exported" || { echo "ksdvi::Document::Open is not exported" >&2; exit 1; }
grep -q '^ksdvi::DrawPage(' <<<"$exported" || { echo "ksdvi::DrawPage is not exported" >&2; exit 1; }
others=$(grep -v -E '^(ksdvi::(Document|PageDrawing|PageTurn)::|ksdvi::(DrawPage|TurnPage|StateName|StatusOf|PageUnreadable|MalformedOnPage)(\[abi:cxx11\])?\()|^KSDVI_0$' <<<"$exported" || true)
if [ -n "$others" ]; then
  echo "exported beyond the embedding interface:" >&2
  head -20 <<<"$others" >&2
  exit 1
fi
echo "libksdvi.so ($soname) exports $(wc -l <<<"$exported") symbols of the embedding interface"
