#!/usr/bin/env bash
# Builds the benchmarks and runs the end-to-end conversion benchmark:
#   scripts/bench.sh [BUILD_DIR] [bench_convert options, e.g. --rounds 9]
# Run it on an idle machine; the ratios (ours / bound) stay meaningful under
# load because both are measured in turns, the absolute times do not.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
[ $# -gt 0 ] && shift
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_BUILD_BENCH=ON -DQUORVEX_BUILD_GUI=OFF
fi
cmake --build "$build" -j"$(nproc)" --target bench_convert quorvex-cli
"$build/bench/bench_convert" "$@"
