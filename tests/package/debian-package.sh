#!/usr/bin/env bash
# Builds the Debian package from a built tree, unpacks it into a scratch
# root and checks it: files in Debian's places, the library's SONAME, the
# dependencies dpkg-shlibdeps found, and the installed tool, which names its
# version and renders a page with EPS figures through its own helper.
#   debian-package.sh BUILD_DIR DOCUMENT.dvi VERSION
set -euo pipefail
build=$1 document=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
deb=$(find "$work/out" -maxdepth 1 -name 'ksdvi_*.deb')
[ -n "$deb" ] || fail "no package written"
dpkg-deb --info "$deb" >/dev/null
dpkg -x "$deb" "$work/root"
root=$work/root
arch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)

for file in usr/bin/ksdvi usr/libexec/ksdvi/ksdvi-gs-host "usr/lib/$arch/libksdvi.so.$version" \
  usr/share/man/man1/ksdvi.1.gz usr/share/man/man1/ksdvi-view.1.gz \
  usr/share/bash-completion/completions/ksdvi usr/share/zsh/vendor-completions/_ksdvi \
  usr/share/fish/vendor_completions.d/ksdvi.fish "usr/lib/$arch/pkgconfig/ksdvi.pc"; do
  [ -e "$root/$file" ] || fail "the package has no /$file"
done
soname=$(objdump -p "$root/usr/lib/$arch/libksdvi.so.$version" | awk '$1 == "SONAME" { print $2 }')
[ "$soname" = "libksdvi.so.${version%%.*}" ] || fail "SONAME is '$soname'"
[ "$(readlink "$root/usr/lib/$arch/$soname")" = "libksdvi.so.$version" ] || fail "no $soname link"
zcat "$root/usr/share/man/man1/ksdvi.1.gz" | grep -q "^\.SH EXIT STATUS" || fail "ksdvi(1) has no exit statuses"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libcairo2 libfreetype6 libkpathsea6 libpng16-16 libgs; do
  [[ $depends == *"$package"* ]] || fail "Depends lacks $package: $depends"
done

installed=$root/usr/bin/ksdvi
"$installed" --version | head -1 | grep -qx "ksdvi $version" || fail "the installed ksdvi says $("$installed" --version | head -1)"
env -u KSDVI_GS_HOST "$installed" render -q -p 1 -r 50 -o "$work/page.png" "$document" >/dev/null
[ -s "$work/page.png" ] || fail "the installed ksdvi rendered nothing"
echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Installed-Size) KiB installed; Depends: $depends"
