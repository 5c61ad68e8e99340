#!/usr/bin/env bash
# Installs what is missing, builds, and opens the editor under Wine in a prefix kept inside
# the build folder: the x86 editor where the machine executes 32-bit code, else the x64 one
# (QM_NO_X86=1 pretends it cannot). Without an X display it runs on a virtual one, saves a
# screenshot once the editor is up, says where, and closes the editor.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# shellcheck disable=SC1091
. cmake/machine.sh
if [ "$(id -u)" = 0 ]; then bash scripts/setup.sh; else have_tools import || exit 1; fi
# The loaders are named: Debian's `wine` wrapper picks the 32-bit one whenever wine32 is
# installed, even where it cannot run.
if reason=$(x86_not_run_reason); then
  preset=mingw-x64 build=build-x64 WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
  echo "Opening the x64 editor (x86: $reason)."
else
  preset=mingw build=build WINEARCH=win32 WINELOADER=/usr/lib/wine/wine
  echo "Opening the x86 editor."
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"

WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver32
export WINEPREFIX=$root/$build/wine-prefix WINEARCH WINELOADER WINESERVER WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=$WINELOADER
exe=$build/Quillmark.exe

if [ -n "${DISPLAY:-}" ]; then
  [ -d "$WINEPREFIX" ] || boot_prefix "$wine" || exit 1
  exec "$wine" "$exe"
fi

world=$root/$build/wine-run-world
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  [ -f "$world/xvfb.pid" ] && kill "$(cat "$world/xvfb.pid")" 2>/dev/null || true
  rm -rf "$world"
}
trap cleanup EXIT
mkdir -p "$world"
# shellcheck disable=SC1091
. cmake/xvfb.sh
start_xvfb "$world" 1024x768
[ -d "$WINEPREFIX" ] || boot_prefix "$wine" || exit 1
title=$(editor_title "$build")
[ -n "$title" ] || { echo "No title in $build/generated/version.h: rebuild." >&2; exit 1; }

# A Wine virtual desktop draws the caption bar and the frame; the tool starts the editor in
# it and tells us through files when the editor is up.
rm -f "$world/ready" "$world/close"
"$wine" explorer /desktop=Quillmark,800x640 "$build/window_tool.exe" "Z:$root/$exe" "$title" \
  "Z:$world/ready" "Z:$world/close" >/dev/null 2>&1 &
editor=$!
for _ in $(seq 600); do [ -e "$world/ready" ] && break; sleep 0.1; done
if [ ! -e "$world/ready" ]; then
  echo "The editor did not appear within a minute." >&2
  exit 1
fi
shot=$root/$build/quillmark-editor.png
import -window root -crop 800x640+0+0 +repage "$shot"
touch "$world/close"
wait "$editor" || true
echo "The editor was up; screenshot saved to $shot"
