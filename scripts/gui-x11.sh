#!/usr/bin/env bash
# Runs the GUI tests on the X11 platform: a virtual X server of its own (Xvfb,
# a free display, a private authority cookie) with a small window manager
# (openbox) for the tests of stacking, captions and frames. Stops both at the
# end, whatever happened.
#   scripts/gui-x11.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

for tool in Xvfb openbox xauth xprop; do
  command -v "$tool" >/dev/null || { echo "gui-x11: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-x11.XXXXXX")
xvfb_pid=""
wm_pid=""
cleanup() {
  # Only the two servers this script started, by their ids.
  for pid in $wm_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in $wm_pid $xvfb_pid; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

export XAUTHORITY="$work/Xauthority"
: >"$XAUTHORITY"
cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')

# Waits, a bounded number of times, for a command to succeed.
wait_for() {
  local tries=$1
  shift
  for ((i = 0; i < tries; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# The first free display from 99 on; another server may take one meanwhile,
# so a start that fails moves on to the next number.
display=""
for n in $(seq 99 140); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  xauth -f "$XAUTHORITY" add ":$n" MIT-MAGIC-COOKIE-1 "$cookie"
  # -noreset: a server that resets when its last client leaves refuses the next one for a moment.
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset -auth "$XAUTHORITY" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  if wait_for 100 env DISPLAY=":$n" xprop -root _NET_WM_NAME && kill -0 "$xvfb_pid" 2>/dev/null; then
    display=":$n"
    break
  fi
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
done
[ -n "$display" ] || { echo "gui-x11: no X server could be started" >&2; cat "$work/xvfb.log" >&2 || true; exit 1; }
export DISPLAY=$display

# openbox with its stock settings; it is up once it names itself on the root.
HOME="$work" openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
if ! wait_for 100 wm_up; then
  echo "gui-x11: the window manager did not start" >&2
  cat "$work/openbox.log" >&2 || true
  exit 1
fi
echo "gui-x11: X server $DISPLAY with openbox"

# One test at a time: they share the screen and the window manager.
QT_QPA_PLATFORM=xcb ctest --test-dir "$build" -L gui --output-on-failure
