#!/usr/bin/env bash
# Installs every Debian package the game, its tests and its benchmarks need.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config libgtest-dev libbenchmark-dev
  freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri libopenal-dev libalut-dev libx11-dev
  xvfb xdotool x11-apps x11-utils x11-xserver-utils imagemagick sox
  xserver-xorg-core xserver-xorg-video-dummy
  clang libclang-rt-14-dev libstb-dev valgrind
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
