#!/usr/bin/env bash
# Installs what the build needs (Debian 12, as root or with sudo) and builds
# into build/ the targets named as arguments (e.g. orvana-class), or
# everything (the program, the tests and the benchmarks) when none is named.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake ninja-build pkg-config
          qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libsqlite3-dev libgl-dev
          mdbtools-dev libpq-dev libxxhash-dev postgresql libqt6sql6-psql xvfb xauth fonts-wine fonts-liberation poppler-utils
          dpkg-dev librsvg2-bin desktop-file-utils appstream)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build --parallel "${targets[@]}"
