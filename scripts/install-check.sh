#!/usr/bin/env bash
# Checks what a Linux user gets from a build: installs it into a temporary
# prefix, runs both installed programs, validates the desktop entry, the
# AppStream entry, the manual pages and the bash completion, then builds the
# Debian package and checks what it holds and depends on.
#
#   scripts/install-check.sh [BUILD_DIR]     (default: build, already built)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=${1:-build}
[ -f "$build/CMakeCache.txt" ] || { echo "install-check: $build is no configured build folder" >&2; exit 2; }
build=$(cd "$build" && pwd)

tmp=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-install-check.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
failures=0

say() { echo "install-check: $*"; }
fail() {
  echo "install-check: FAILED: $*" >&2
  failures=$((failures + 1))
}
# Shows a log after a failed step.
show() { sed 's/^/    /' "$1" >&2; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
appstream_id=io.github.quorvex.Quorvex

# ---- install ----
say "installing $build into a temporary prefix"
if ! cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1; then
  show "$tmp/install.log"
  fail "cmake --install"
  exit 1
fi

# A manual page is installed compressed or not, as the build found gzip.
page_of() {
  local p
  for p in "$prefix/share/man/man1/$1.1.gz" "$prefix/share/man/man1/$1.1"; do
    [ -f "$p" ] && { echo "$p"; return 0; }
  done
  return 1
}

installed=(
  bin/quorvex
  bin/quorvex-cli
  share/bash-completion/completions/quorvex-cli
  share/applications/quorvex.desktop
  "share/metainfo/$appstream_id.metainfo.xml"
  share/icons/hicolor/48x48/apps/quorvex.png
)
for f in "${installed[@]}"; do
  [ -e "$prefix/$f" ] || fail "the install lacks $f"
done
for name in quorvex quorvex-cli; do
  page_of "$name" >/dev/null || fail "the install lacks the manual page $name.1"
done

# ---- the installed programs ----
cli=$prefix/bin/quorvex-cli
say "running the installed quorvex-cli"
[ "$("$cli" --version 2>&1)" = "quorvex-cli $version" ] || fail "quorvex-cli --version does not print quorvex-cli $version"

mkdir -p "$tmp/cli-config"
if "$cli" --config "$tmp/cli-config" convert --in "$repo/samples" --out "$tmp/device" >"$tmp/convert.log" 2>&1; then
  [ -s "$tmp/device/Imag0001.jpg" ] || { show "$tmp/convert.log"; fail "convert wrote no Imag0001.jpg"; }
else
  show "$tmp/convert.log"
  fail "quorvex-cli convert of samples/"
fi

say "starting the installed quorvex offscreen"
mkdir -p "$tmp/gui-config"
mkdir -m 700 "$tmp/runtime"
rc=0
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$tmp/runtime" \
  timeout 3 "$prefix/bin/quorvex" --config "$tmp/gui-config" >"$tmp/gui.log" 2>&1 || rc=$?
# 124: still running when the timeout ended it, as it should be.
[ "$rc" -eq 124 ] || { show "$tmp/gui.log"; fail "quorvex ended by itself with status $rc"; }

# ---- desktop entry and AppStream entry ----
say "validating the desktop entry and the AppStream entry"
desktop-file-validate "$prefix/share/applications/quorvex.desktop" >"$tmp/desktop.log" 2>&1 ||
  { show "$tmp/desktop.log"; fail "desktop-file-validate"; }
metainfo=$prefix/share/metainfo/$appstream_id.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$tmp/appstream.log" 2>&1 ||
  { show "$tmp/appstream.log"; fail "appstreamcli validate"; }
grep -q "<launchable type=\"desktop-id\">quorvex.desktop</launchable>" "$metainfo" ||
  fail "the AppStream entry does not launch quorvex.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the AppStream entry's release is not $version"

# ---- manual pages ----
say "rendering the manual pages"
for name in quorvex quorvex-cli; do
  page=$(page_of "$name") || continue
  if ! MANWIDTH=80 man -l --warnings "$page" >/dev/null 2>"$tmp/man.err" || [ -s "$tmp/man.err" ]; then
    show "$tmp/man.err"
    fail "man -l $name.1 warns"
  fi
  source_text=$(if [[ $page == *.gz ]]; then gzip -dc "$page"; else cat "$page"; fi)
  grep -q "^\.TH .*\"Quorvex $version\"" <<<"$source_text" || fail "$name.1's .TH line lacks the version $version"
  ! grep -q "@[A-Z_]*@" <<<"$source_text" || fail "$name.1 holds an unfilled @VARIABLE@"
done

# ---- bash completion ----
say "trying the bash completion"
completion=$prefix/share/bash-completion/completions/quorvex-cli
cat >"$tmp/complete.sh" <<'EOF'
source "$1"
# Prints the completions of a command line ("" for the word being typed).
complete_line() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _quorvex_cli quorvex-cli
  printf '%s\n' "${COMPREPLY[@]}"
}
expect() {  # expect WORD LINE...: WORD among the completions of LINE
  local want=$1
  shift
  complete_line "$@" | grep -qx -- "$want" || { echo "no '$want' for: $*"; exit 1; }
}
expect convert quorvex-cli co
expect --config quorvex-cli --co
expect --overwrite quorvex-cli convert --o
expect --dry-run quorvex-cli convert --d
expect --no-user-comment quorvex-cli filter --no-u
expect next quorvex-cli convert --start ""
expect samples quorvex-cli convert --in sam
expect samples quorvex-cli convert --out = sam
expect samples/lake-4x3.jpg quorvex-cli convert samples/lake
expect --english quorvex-cli exif --e
expect dqt quorvex-cli help d
EOF
bash -n "$completion" || fail "the bash completion has a syntax error"
(cd "$repo" && bash "$tmp/complete.sh" "$completion") >"$tmp/complete.log" 2>&1 ||
  { show "$tmp/complete.log"; fail "the bash completion"; }

# ---- the Debian package ----
say "building the Debian package"
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/package" >"$tmp/cpack.log" 2>&1; then
  show "$tmp/cpack.log"
  fail "cpack -G DEB"
  exit 1
fi
deb=$(ls "$tmp/package"/*.deb)
say "package $(basename "$deb")"
dpkg-deb -c "$deb" | awk '{ print $6 }' >"$tmp/contents.txt"
packaged=(
  ./usr/bin/quorvex
  ./usr/bin/quorvex-cli
  "./usr/share/man/man1/quorvex.1*"
  "./usr/share/man/man1/quorvex-cli.1*"
  ./usr/share/bash-completion/completions/quorvex-cli
  ./usr/share/applications/quorvex.desktop
  "./usr/share/metainfo/$appstream_id.metainfo.xml"
)
for f in "${packaged[@]}"; do
  found=0
  while read -r line; do
    # shellcheck disable=SC2053  # f may be a pattern
    [[ $line == $f ]] && { found=1; break; }
  done <"$tmp/contents.txt"
  [ "$found" = 1 ] || fail "the package lacks $f"
done
dpkg-deb -I "$deb" | tee "$tmp/info.txt"
depends=$(sed -n 's/^ Depends: //p' "$tmp/info.txt")
for lib in libjpeg62-turbo libpng16-16 libqt6widgets6; do
  [[ ", $depends," == *", $lib "* || ", $depends," == *", $lib,"* ]] || fail "Depends does not name $lib"
done

if [ "$failures" -ne 0 ]; then
  echo "install-check: $failures check(s) failed" >&2
  exit 1
fi
say "all checks passed"
