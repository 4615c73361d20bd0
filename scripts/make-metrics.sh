#!/usr/bin/env bash
# Makes the metric files of tests/data/metrics from their property lists with
# TeX's own tools: pltotf for .pl, opl2ofm for .opl, vptovf for .vpl.
set -euo pipefail
dir=$(cd "$(dirname "$0")/../tests/data/metrics" && pwd)
for pl in "$dir"/*.pl; do
  pltotf "$pl" "${pl%.pl}.tfm" >/dev/null
  echo "made ${pl%.pl}.tfm"
done
for opl in "$dir"/*.opl; do
  opl2ofm "$opl" "${opl%.opl}.ofm" >/dev/null
  echo "made ${opl%.opl}.ofm"
done
for vpl in "$dir"/*.vpl; do
  vptovf "$vpl" "${vpl%.vpl}.vf" "${vpl%.vpl}.tfm" >/dev/null
  echo "made ${vpl%.vpl}.vf"
done
