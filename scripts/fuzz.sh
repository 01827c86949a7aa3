#!/usr/bin/env bash
# Builds the fuzz targets with clang, AddressSanitizer and UBSan, and runs
# each for the given number of seconds (default 60) on its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVEX_BUILD_FUZZ=ON -DQUORVEX_SANITIZE=address,undefined \
  -DQUORVEX_BUILD_GUI=OFF -DQUORVEX_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)"
for src in fuzz/fuzz_*.cpp; do
  name=$(basename "$src" .cpp)
  seeds="fuzz/seeds/${name#fuzz_}"
  work="build-fuzz/corpus-$name"
  mkdir -p "$work"
  args=("$work")
  [ -d "$seeds" ] && args+=("$seeds")
  echo "== $name for ${seconds}s"
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "build-fuzz/fuzz/$name" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 "${args[@]}" 2>&1 | tail -n 12
done
