#!/usr/bin/env bash
# One formula as Sphinx's imgmath asks for it (-T tight, transparent, its
# depth), one process per image, with ksdvi-dvipng and with dvipng: the wall
# and CPU time of an image end to end (the best of RUNS runs of 20 images)
# and the peak memory, and their ratios.
#   bench/formula-vs-dvipng.sh [path/to/ksdvi-dvipng]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ksdvi=$(realpath "${1:-$root/build/tools/ksdvi-dvipng/ksdvi-dvipng}")
source "$root/bench/common.sh"

cat >"$work/formula.tex" <<'TEX'
\documentclass[12pt]{article}
\usepackage{amsmath}
\pagestyle{empty}
\begin{document}
$\displaystyle \int_0^1 f(x)\,dx = \sum_{n=1}^\infty \frac{1}{n^2}$
\end{document}
TEX
(cd "$work" && latex -interaction=batchmode formula.tex >/dev/null)

# The files kpathsea finds are kept in the user's cache: a fresh one, so that
# the first image of the first run pays for finding them.
export XDG_CACHE_HOME="$work/cache"
images=20
# Each run: $images processes one after another, as a build of a page of formulas makes them.
each='for i in $(seq '$images'); do "$0" -q -D 120 -T tight -bg Transparent -z 9 --depth -o out/f.png formula.dvi; done'
read -r ow oc om < <(profile bash -c "$each" "$ksdvi")
read -r tw tc tm < <(profile bash -c "$each" dvipng)
echo "one formula, $images processes, 120 dpi, tight, transparent; $(nproc) cores; best of $runs runs"
awk -v n="$images" -v ow="$ow" -v oc="$oc" -v om="$om" -v tw="$tw" -v tc="$tc" -v tm="$tm" 'BEGIN {
  printf "%-13s %8s %8s %8s\n", "", "wall", "CPU", "MiB"
  printf "%-13s %6.1fms %6.1fms %8d\n", "ksdvi-dvipng", ow / n * 1000, oc / n * 1000, om
  printf "%-13s %6.1fms %6.1fms %8d\n", "dvipng", tw / n * 1000, tc / n * 1000, tm
  printf "%-13s %8.2f %8.2f %8.2f\n", "ratio", ow / tw, oc / tc, om / tm }'
