#!/usr/bin/env bash
# The bulk filter against `cp -r` of the same tree, in turns, in one run:
#   scripts/bench-filter.sh [BUILD_DIR] [--rounds N] [--folders F] [--per-folder K] [--only tmpfs|disk]
# Builds quorvex-cli if needed, copies the camera corpus (QUORVEX_CORPUS_DIR)
# into F folders of K files, then times N rounds of
#   cp -r tree out-cp
#   quorvex-cli filter --recurse --in tree --out out-q                      (defaults)
#   quorvex-cli filter --recurse --in tree --out out-q --no-convert-exif
# on a tmpfs (/dev/shm, when writable) and on the work disk (with a sync
# before each side), and prints the medians and the ratios filter / cp.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

build=build-bench
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then build=$1; shift; fi
rounds=7 folders=240 perFolder=12 only=
while [ $# -gt 0 ]; do
  case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --folders) folders=$2; shift 2 ;;
    --per-folder) perFolder=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    *) echo "usage: $0 [BUILD_DIR] [--rounds N] [--folders F] [--per-folder K] [--only tmpfs|disk]" >&2; exit 2 ;;
  esac
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_BUILD_BENCH=ON -DQUORVEX_BUILD_GUI=OFF
fi
cmake --build "$build" -j2 --target quorvex-cli >/dev/null
cli=$build/src/quorvex-cli
[ -x "$cli" ] || { echo "no $cli after the build" >&2; exit 1; }
cli=$(realpath "$cli")

corpus=${QUORVEX_CORPUS_DIR:-$repo/../shared/corpus}
mapfile -t sources < <(find "$corpus/camera" "$corpus/exif-org" -maxdepth 1 -name '*.jpg' 2>/dev/null | sort)
[ ${#sources[@]} -gt 0 ] || { echo "no JPEG files in $corpus/camera or $corpus/exif-org" >&2; exit 1; }

# The settings of a fresh install, whatever this user has saved.
config=$(mktemp -d)
shm="" disk=""
cleanup() { rm -rf "$config" ${shm:+"$shm"} ${disk:+"$disk"}; }
trap cleanup EXIT
export QUORVEX_CONFIG_DIR=$config

now_ms() { local ns; ns=$(date +%s%N); echo $((ns / 1000000)); }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

make_tree() {
  local tree=$1 i=0 f k
  mkdir -p "$tree"
  for ((f = 0; f < folders; ++f)); do
    mkdir "$tree/d$f"
    for ((k = 0; k < perFolder; ++k, ++i)); do
      cp "${sources[i % ${#sources[@]}]}" "$tree/d$f/img$k.jpg"
    done
  done
  # Written by cp, so the pages are cached and the files writable.
  chmod -R u+w "$tree"
}

# One side: prints its ms. $1 = place, $2 = sync or not, rest = command.
time_side() {
  local place=$1 dosync=$2; shift 2
  rm -rf "$place/out-cp" "$place/out-q"
  mkdir "$place/out-q"
  [ "$dosync" = sync ] && sync
  local t0 t1
  t0=$(now_ms)
  "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  t1=$(now_ms)
  echo $((t1 - t0))
}

bench_place() {
  local label=$1 place=$2 dosync=$3 r
  local tree=$place/tree cp=() def=() noexif=()
  make_tree "$tree"
  local t
  for ((r = 0; r < rounds; ++r)); do
    t=$(time_side "$place" "$dosync" cp -r "$tree" "$place/out-cp") && cp+=("$t") || exit 1
    t=$(time_side "$place" "$dosync" "$cli" filter --recurse --in "$tree" --out "$place/out-q") && def+=("$t") || exit 1
    t=$(time_side "$place" "$dosync" "$cli" filter --recurse --in "$tree" --out "$place/out-q" --no-convert-exif) &&
      noexif+=("$t") || exit 1
  done
  local mc md mn
  mc=$(printf '%s\n' "${cp[@]}" | median)
  md=$(printf '%s\n' "${def[@]}" | median)
  mn=$(printf '%s\n' "${noexif[@]}" | median)
  # Each round's ratio from its own turns, then their median: a disk that
  # slows down from round to round moves both sides of a round alike.
  local rd=() rn=()
  for ((r = 0; r < rounds; ++r)); do
    rd+=("$(awk -v a="${def[r]}" -v b="${cp[r]}" 'BEGIN { printf "%.4f", a / b }')")
    rn+=("$(awk -v a="${noexif[r]}" -v b="${cp[r]}" 'BEGIN { printf "%.4f", a / b }')")
  done
  local ratioD ratioN
  ratioD=$(printf '%s\n' "${rd[@]}" | sort -g | awk '{ v[NR] = $1 } END { printf "%.2f", v[int((NR + 1) / 2)] }')
  ratioN=$(printf '%s\n' "${rn[@]}" | sort -g | awk '{ v[NR] = $1 } END { printf "%.2f", v[int((NR + 1) / 2)] }')
  printf '%-7s cp -r %5d ms | filter %5d ms  ratio %s | --no-convert-exif %5d ms  ratio %s\n' "$label" "$mc" \
    "$md" "$ratioD" "$mn" "$ratioN"
  printf '        rounds: cp %s | filter %s | no-exif %s\n' "${cp[*]}" "${def[*]}" "${noexif[*]}"
  rm -rf "$tree" "$place/out-cp" "$place/out-q"
}

echo "$((folders * perFolder)) files in $folders folders from ${#sources[@]} corpus files, $rounds rounds, medians:"
if [ "$only" != disk ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  shm=$(mktemp -d /dev/shm/qv-bench-filter.XXXXXX)
  bench_place tmpfs "$shm" nosync
  rm -rf "$shm"
fi
if [ "$only" != tmpfs ]; then
  disk=$(mktemp -d "$(realpath "$build")/qv-bench-filter.XXXXXX")
  bench_place disk "$disk" sync
  rm -rf "$disk"
fi
