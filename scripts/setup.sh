#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Kestrel needs.
# Safe to run again: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libudev-dev umockdev libumockdev-dev
  libx11-dev libxext-dev
  libfreetype-dev libfontconfig-dev fontconfig fonts-dejavu-core
  libturbojpeg0-dev
  libpugixml-dev
  xvfb xauth xdotool x11-apps imagemagick bc openbox
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 wine
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#packages[@]} packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
