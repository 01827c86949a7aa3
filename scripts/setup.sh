#!/usr/bin/env bash
# Installs the Debian packages Quorvex builds and tests with; skips what is there.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libjpeg62-turbo-dev libpng-dev zlib1g-dev
  qt6-base-dev
  libgtest-dev libgmock-dev
  libbenchmark-dev
  fonts-ipafont-gothic
  desktop-file-utils appstream dpkg-dev man-db
  xvfb xauth openbox x11-utils libxcb1-dev
)
if [ "${QUORVEX_WITH_FUZZ:-0}" = 1 ]; then
  packages+=(clang libclang-rt-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi
echo "setup: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
