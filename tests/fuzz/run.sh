#!/usr/bin/env bash
# Runs the fuzz targets of a build made with -DKSDVI_FUZZ=ON (make fuzz-build).
#
#   run.sh BUILD fuzz     each target for FUZZ_SECONDS (default 60) on its
#                         corpus in BUILD/fuzz-corpus, which keeps growing
#                         from run to run; crashes go to BUILD/fuzz-artifacts
#   run.sh BUILD replay   (CI) each target once over its seeds and regression
#                         inputs, then FUZZ_REPLAY_RUNS (default 1000) runs
#                         from a fixed seed, which fuzz the same way every
#                         time
#
# FUZZ_TARGETS chooses targets (default: all), e.g. FUZZ_TARGETS="dvi pk".
#
# Seeds: tests/fuzz/seeds/TARGET (make-seeds.py), the files of tests/data
# each target reads (XeTeX's XDV files among the DVI targets' ones), and in
# fuzz mode files of the TeX installation.
# Regression inputs: tests/fuzz/regressions/TARGET, every input that ever
# failed; those named in tests/fuzz/regressions/KNOWN are bugs not fixed yet
# and are skipped.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
mode=$2
fuzz="$root/tests/fuzz"
data="$root/tests/data"
seconds=${FUZZ_SECONDS:-60}
replay_runs=${FUZZ_REPLAY_RUNS:-1000}

read -r -a targets <<<"${FUZZ_TARGETS:-dvi dvi_scan dvi_follow fontfiles pk fontmaps specials pictures docfiles pstransforms srcspecials}"
# Parsers take short inputs: a scan's time grows with the file, and a few KiB
# hold pages of every kind (dvi_follow scans each input three times).
declare -A max_len=([dvi]=65536 [dvi_scan]=8192 [dvi_follow]=4096 [fontfiles]=32768 [pk]=65536 [fontmaps]=16384
    [specials]=16384 [pictures]=65536 [docfiles]=1024 [pstransforms]=16384 [srcspecials]=8192)
# Replays of dvi run its inputs only: even so, its coverage of an input
# differs by a few counts from run to run now and then (the cause is not
# found), and what libFuzzer keeps with it.
declare -A mutation_runs=([dvi]=0)
declare -A dict=([dvi]=specials [dvi_scan]=specials [dvi_follow]=specials [specials]=specials [fontmaps]=fontmaps
    [docfiles]=docfiles [pstransforms]=pstransforms)

# kpathsea keeps its tables for the whole process: not leaks.
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# A quarantine of 64 MiB rather than 256: freed memory comes back sooner, so
# runs do not fault in fresh pages all the time; it still holds far more
# than a run frees.
export ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=64"

# The seed files of a target that the repository holds.
seed_files() {
    case $1 in
    dvi | dvi_scan | dvi_follow) ls "$data"/*.dvi "$data"/*.xdv "$root"/samples/*.dvi ;;
    pk) ls "$data"/metrics/*pk ;;
    pictures) ls "$data"/pictures/* ;;
    pstransforms) find "$fuzz/seeds/specials" -type f ;;
    esac
    [ -d "$fuzz/seeds/$1" ] && find "$fuzz/seeds/$1" -type f
    return 0
}

# More seeds from the TeX installation, for fuzzing (they differ between
# installations, so CI does not use them).
installation_files() {
    case $1 in
    pk) find "$(kpsewhich -var-value=TEXMFDIST)/fonts/pk" -name '*.pk' 2>/dev/null | head -6 ;;
    fontmaps)
        for enc in 8a.enc texnansi.enc cm-super-ts1.enc lm-ec.enc; do kpsewhich "$enc" || true; done ;;
    esac
    return 0
}

# A regression input's own path and whether KNOWN lists it.
known() { grep -qxF "$1" <(sed -e 's/[[:space:]]*#.*//' -e '/^$/d' "$fuzz/regressions/KNOWN" 2>/dev/null); }

regression_files() {
    [ -d "$fuzz/regressions/$1" ] || return 0
    find "$fuzz/regressions/$1" -type f | sort | while read -r file; do
        if known "$1/$(basename "$file")"; then
            echo "fuzz: $1: skipping known $(basename "$file")" >&2
        else
            echo "$file"
        fi
    done
}

options() {
    local t=$1
    echo "-max_len=${max_len[$t]} -rss_limit_mb=2048 -timeout=10"
    [ -n "${dict[$t]:-}" ] && echo "-dict=$fuzz/dicts/${dict[$t]}.dict"
    return 0
}

# Replays fuzz the same way every time. An input's coverage varies a little
# with the addresses ASLR chooses, and with it what libFuzzer keeps: they run
# without address randomization where the system lets setarch turn it off.
# Values compared in a run (inode numbers, addresses, scratch names) differ
# from run to run: replays do not mutate inputs towards them (-use_cmp=0,
# -use_memmem=0).
fixed_addresses=()
if setarch -R true 2>/dev/null; then fixed_addresses=(setarch -R); fi

failed=()
for t in "${targets[@]}"; do
    binary="$build/tests/fuzz/fuzz_$t"
    work="$build/fuzz-work/$t"
    rm -rf "$work"
    mkdir -p "$work"
    if [ "$mode" = replay ]; then
        mapfile -t inputs < <(seed_files "$t"; regression_files "$t")
        runs=${mutation_runs[$t]:-$replay_runs}
        start=$SECONDS
        # Each input once; then fuzzing from the seeds by a fixed seed.
        if ! "$binary" $(options "$t") -timeout=25 "${inputs[@]}" >"$work/replay.log" 2>&1 ||
            ! { ((runs == 0)) || { mkdir "$work/corpus" && cp "${inputs[@]}" "$work/corpus/" &&
                "${fixed_addresses[@]}" "$binary" $(options "$t") -seed=1 -use_cmp=0 -use_memmem=0 -runs="$runs" \
                    -artifact_prefix="$work/" "$work/corpus" >"$work/fuzz.log" 2>&1; }; }; then
            tail -n 40 "$work"/*.log
            failed+=("$t")
        fi
        echo "fuzz: $t: ${#inputs[@]} inputs and $runs runs in $((SECONDS - start)) s"
    elif [ "$mode" = fuzz ]; then
        corpus="$build/fuzz-corpus/$t"
        artifacts="$build/fuzz-artifacts/$t"
        mkdir -p "$corpus" "$artifacts"
        # Regression inputs join the corpus: they lie where bugs were.
        { seed_files "$t"; installation_files "$t"; regression_files "$t"; } | while read -r f; do
            cp -n "$f" "$corpus/$(basename "$f")"
        done
        echo "fuzz: $t for $seconds s"
        # One process per target: no other writes its corpus, so it is not reread.
        if ! "$binary" $(options "$t") -max_total_time="$seconds" -print_final_stats=1 -reload=0 \
            -artifact_prefix="$artifacts/" "$corpus" 2>&1 | tee "$work/fuzz.log" | grep -E '^#[0-9]+.*(INITED|DONE)|^stat::|ERROR|SUMMARY'; then
            :
        fi
        if grep -q 'Test unit written' "$work/fuzz.log"; then
            grep 'Test unit written' "$work/fuzz.log"
            failed+=("$t")
        fi
    else
        echo "usage: run.sh BUILD fuzz|replay" >&2
        exit 2
    fi
done

if ((${#failed[@]})); then
    echo "fuzz: failed: ${failed[*]} (keep each failing input in tests/fuzz/regressions/TARGET)"
    exit 1
fi
echo "fuzz: ${#targets[@]} targets passed"
