#!/usr/bin/env bash
# Builds the benchmarks and runs the end-to-end conversion benchmark, then
# (unless --quick or --only is given) the bulk filter against cp -r:
#   scripts/bench.sh [BUILD_DIR] [bench_convert options, e.g. --rounds 9]
# Run it on an idle machine; the ratios (ours / bound, filter / cp -r) stay
# meaningful under load because both sides are measured in turns, the
# absolute times and the --jobs ratios do not.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then build=$1; shift; fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_BUILD_BENCH=ON -DQUORVEX_BUILD_GUI=OFF
fi
cmake --build "$build" -j"$(nproc)" --target bench_convert quorvex-cli
"$build/bench/bench_convert" "$@"
case " $* " in
  *" --quick "* | *" --only "*) ;;
  *) echo; scripts/bench-filter.sh "$build" ;;
esac
