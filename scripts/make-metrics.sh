#!/usr/bin/env bash
# Makes the metric files of tests/data/metrics from their property lists with
# TeX's own tools: pltotf for .pl, opl2ofm for .opl, vptovf for .vpl.
set -euo pipefail
dir=$(cd "$(dirname "$0")/../tests/data/metrics" && pwd)
for pl in "$dir"/*.pl; do
  pltotf "$pl" "${pl%.pl}.tfm" >/dev/null
  echo "made ${pl%.pl}.tfm"
done
# The Korean test fonts share one set of metrics; their names carry their
# subfont numbers.
for name in ksdbc ksxhan1 ksxhan2 ksxhanja1 ksxsymb1 kshlat0 kshlat05; do
  cp "$dir/kskorean.tfm" "$dir/$name.tfm"
done
for opl in "$dir"/*.opl; do
  opl2ofm "$opl" "${opl%.opl}.ofm" >/dev/null
  echo "made ${opl%.opl}.ofm"
done
for vpl in "$dir"/*.vpl; do
  vptovf "$vpl" "${vpl%.vpl}.vf" "${vpl%.vpl}.tfm" >/dev/null
  echo "made ${vpl%.vpl}.vf"
done
# A bitmap font as mktexpk makes one: METAFONT's GF file and gftopk's PK file
# of the same glyphs, so that the PK reader can be checked against gftype.
work=$(mktemp -d)
(cd "$work" && mf '\mode=cx; mag=1; batchmode; input cmr10' >/dev/null 2>&1 || true)
cp "$work/cmr10.300gf" "$dir/cmr10.300gf"
gftopk "$dir/cmr10.300gf" "$dir/cmr10.300pk" >/dev/null
rm -rf "$work"
echo "made $dir/cmr10.300pk"
