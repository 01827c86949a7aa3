#!/usr/bin/env bash
# Installs what is missing, builds quorvex-cli and converts the sample photos
# into device files (Imag0001.jpg ...) in the folder given, default out/device.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-out/device}
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target quorvex-cli
# A private settings folder, so the demo neither reads nor changes yours.
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
build/src/quorvex-cli --config "$config" convert --in samples --out "$out" --start 1
echo "Device files written to $(cd "$out" && pwd)"
