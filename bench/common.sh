# Sourced by the timing scripts: a scratch directory removed at exit;
# `best CMD...`, the best wall time of $runs runs of a command in nanoseconds
# (run in the scratch directory, with an empty out/ there, output dropped);
# and `profile CMD...`, the best wall and CPU seconds of as many runs and the
# largest peak memory in MiB, as "WALL CPU MIB".
# The tool by its absolute path (the script's first argument, else the
# build's): commands run in the scratch directory. RUNS runs each (3).
ksdvi=$(realpath "${ksdvi:-${1:-$root/build/tools/ksdvi/ksdvi}}")
runs=${runs:-${RUNS:-3}}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

best() {
  local best=0
  for _ in $(seq "$runs"); do
    rm -rf "$work/out" && mkdir "$work/out"
    local start end
    start=$(date +%s%N)
    (cd "$work" && "$@" >/dev/null 2>&1)
    end=$(date +%s%N)
    if [ "$best" -eq 0 ] || [ $((end - start)) -lt "$best" ]; then best=$((end - start)); fi
  done
  echo "$best"
}

profile() {
  local wall="" cpu="" rss=0
  for _ in $(seq "$runs"); do
    rm -rf "$work/out" && mkdir "$work/out"
    local w c m
    read -r w c m < <(cd "$work" && /usr/bin/time -f '%e %U %S %M' "$@" 2>&1 >/dev/null | tail -1 |
      awk '{ print $1, $2 + $3, $4 }')
    if [ -z "$wall" ] || awk -v a="$w" -v b="$wall" 'BEGIN { exit !(a < b) }'; then wall=$w; fi
    if [ -z "$cpu" ] || awk -v a="$c" -v b="$cpu" 'BEGIN { exit !(a < b) }'; then cpu=$c; fi
    [ "$m" -gt "$rss" ] && rss=$m
  done
  echo "$wall $cpu $((rss / 1024))"
}

# Typesets bench/NAME.tex with LaTeX in the scratch directory and prints the
# path of its DVI file.
typeset_bench() {
  cp "$root/bench/$1.tex" "$work/"
  (cd "$work" && latex -interaction=batchmode "$1.tex" >/dev/null)
  echo "$work/$1.dvi"
}

# The number of pages of a DVI file.
pages_of() {
  "$ksdvi" info "$1" | awk '/^pages:/ {print $2}'
}
