#!/usr/bin/env bash
# Installs every Debian package that the build, the tests, the samples and the
# benchmarks need. Idempotent: runs apt-get only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev
  libcairo2-dev libpixman-1-dev libfreetype-dev libfontconfig-dev
  libpng-dev libdeflate-dev libjpeg-dev libgif-dev libgs-dev ghostscript libpoppler-glib-dev
  libkpathsea-dev libicu-dev liblcms2-dev
  texlive-binaries texlive-base texlive-latex-base texlive-latex-recommended
  texlive-fonts-recommended cm-super-minimal lmodern texlive-pictures texlive-pstricks
  dvipng fonts-dejavu-core poppler-utils librsvg2-bin dvisvgm
  texlive-lang-korean fonts-nanum fonts-unfonts-core
  texlive-xetex texlive-lang-japanese libsynctex-dev
  libgtk-4-dev xvfb xauth xdotool x11-utils dbus-daemon xclip
  imagemagick python3-sphinx python3-matplotlib libpaper-dev bash-completion libx11-dev evince
  clang libclang-rt-dev llvm locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
