#!/usr/bin/env bash
# Builds the README's library example against an installed copy of the
# library, once with CMake's package and once with pkg-config, and checks
# that it renders page 1 of a document exactly as `ksdvi render -p 1` does;
# that every installed header compiles on its own; and that the installed tool,
# moved elsewhere, runs Ghostscript through the helper installed beside it.
#   installed-package.sh BUILD_DIR KSDVI DOCUMENT.dvi
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$1 ksdvi=$2 document=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null

# The README's first C++ block and first CMake block under "## The library".
block() {
  awk -v lang="$1" '/^## The library/ { lib = 1 } lib && $0 == "```" lang { code = 1; next }
                    code && /^```/ { exit } code { print }' "$root/README.md"
}
mkdir "$work/example"
block cpp >"$work/example/first-page.cpp"
{
  echo "cmake_minimum_required(VERSION 3.25)"
  echo "project(first_page CXX)"
  echo "set(CMAKE_CXX_STANDARD 20)"
  block cmake
} >"$work/example/CMakeLists.txt"
grep -q main "$work/example/first-page.cpp" || { echo "no example in the README" >&2; exit 1; }

cmake -S "$work/example" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
# lib/ or Debian's lib/<multiarch>/.
PKG_CONFIG_PATH=$(dirname "$(find "$work/prefix" -name ksdvi.pc)")
export PKG_CONFIG_PATH
# shellcheck disable=SC2046
g++ -std=c++20 "$work/example/first-page.cpp" $(pkg-config --cflags --libs ksdvi) -o "$work/pkg-config-first-page"

# Every installed header compiles on its own: none needs one that stays private.
(cd "$work/prefix/include/ksdvi" && find . -name '*.h' | sed 's|^\./||') |
  xargs -P 2 -I{} sh -c 'echo "#include \"{}\"" | g++ -std=c++20 -fsyntax-only -x c++ - $(pkg-config --cflags ksdvi) || { echo "{} does not compile alone" >&2; exit 255; }'

name=$(basename "$document" .dvi)
"$ksdvi" render -p 1 --paper a4 -o "$work/reference-%d.png" "$document" >/dev/null
for program in "$work/cmake/first-page" "$work/pkg-config-first-page"; do
  rm -f "$work/$name-1.png"
  (cd "$work" && "$program" "$document")
  # The example writes RGB through Cairo, the tool grey: the pixels must agree.
  differing=$(compare -metric AE "$work/$name-1.png" "$work/reference-1.png" null: 2>&1 || true)
  [ "$differing" = 0 ] || { echo "$program: $differing pixels differ from ksdvi render's" >&2; exit 1; }
done

# Ghostscript's helper is installed, and an installation moved elsewhere
# finds it beside its programs: the installed tool draws the EPS figures of
# a page through it, as the tool of the build tree draws them. The viewer
# finds the library beside it.
[ -x "$work/prefix/libexec/ksdvi/ksdvi-gs-host" ] || { echo "no libexec/ksdvi/ksdvi-gs-host installed" >&2; exit 1; }
mv "$work/prefix" "$work/moved"
helpers="$work/moved/libexec/ksdvi"
mv "$helpers/ksdvi-gs-host" "$helpers/real-host"
printf '#!/bin/sh\necho ran >>"%s"\nexec "%s" "$@"\n' "$work/helper-ran" "$helpers/real-host" >"$helpers/ksdvi-gs-host"
chmod +x "$helpers/ksdvi-gs-host"
figures="$root/tests/data/figures.dvi"
"$ksdvi" render -p 1 -r 100 -o "$work/built-%d.png" "$figures" >/dev/null
env -u KSDVI_GS_HOST "$work/moved/bin/ksdvi" render -p 1 -r 100 -o "$work/installed-%d.png" "$figures" \
  >/dev/null 2>"$work/warnings"
if [ -s "$work/warnings" ]; then cat "$work/warnings" >&2; exit 1; fi
[ -f "$work/helper-ran" ] || { echo "the moved installation did not use its own helper" >&2; exit 1; }
cmp "$work/installed-1.png" "$work/built-1.png"
# The viewer, when built, finds the library installed beside it, and says
# how it is used without a display.
if [ -x "$work/moved/bin/ksdvi-view" ]; then
  env -u DISPLAY -u WAYLAND_DISPLAY -u LD_LIBRARY_PATH "$work/moved/bin/ksdvi-view" --help | grep -q '^Usage: ksdvi-view' ||
    { echo "the moved viewer does not start without a display" >&2; exit 1; }
fi
echo "the README's example renders page 1 as ksdvi does, built with CMake and with pkg-config;" \
  "a moved installation draws EPS figures with its own Ghostscript helper"
