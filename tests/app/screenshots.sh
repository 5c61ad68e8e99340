#!/usr/bin/env bash
# Takes screenshots of the editor, its About box, the start-up warning and the warning about
# stored values that cannot be shown, in a Wine virtual desktop (so caption bars show), in a
# throwaway world of its own, at the display scale given in DPI (96 unless told).
#   tests/app/screenshots.sh BUILD_DIR [DPI]    pictures go to BUILD_DIR/screenshots/*.png
set -euo pipefail
build=$(cd "${1:?usage: $0 BUILD_DIR [DPI]}" && pwd)
dpi=${2:-96}
root=$(cd "$(dirname "$0")/../.." && pwd)
world=$build/screenshot-world
shots=$build/screenshots
test_exe=$build/tests/app_e2e_test.exe
[ -f "$test_exe" ] && [ -f "$build/Quillmark.exe" ] || { echo "build first: $build" >&2; exit 1; }

# The world's architecture is the build's.
arch=x86
grep -q '^CMAKE_TOOLCHAIN_FILE.*x86_64' "$build/CMakeCache.txt" && arch=x64
"$root/cmake/wine-env.sh" start "$world" "$arch" >/dev/null
trap '"$root/cmake/wine-env.sh" stop "$world"' EXIT
# shellcheck disable=SC1091
. "$world/env"
rm -rf "$shots"
mkdir -p "$shots"
# Wine reads the scale as each process starts; the desktop grows with it, up to the screen.
"$QM_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
  </dev/null >/dev/null 2>&1
width=$((800 * dpi / 96 > 1280 ? 1280 : 800 * dpi / 96))
height=$((700 * dpi / 96 > 1024 ? 1024 : 700 * dpi / 96))

export QUILLMARK_EXE="Z:${build//\//\\}\\Quillmark.exe"
export QM_SHOT_DIR="Z:${shots//\//\\}"
"$QM_WINE" explorer /desktop=shot,${width}x$height "$test_exe" --gtest_also_run_disabled_tests \
  --gtest_filter='Screenshots.*' >"$shots/scenes.log" 2>&1 &
scenes=$!

# Each scene says when it is ready and waits for its picture.
left=(editor about warning unreadable)
deadline=$((SECONDS + 90))
while [ ${#left[@]} -gt 0 ] && [ $SECONDS -lt $deadline ]; do
  for i in "${!left[@]}"; do
    scene=${left[$i]}
    if [ -f "$shots/$scene.ready" ]; then
      import -window root -crop "${width}x$height+0+0" +repage "$shots/$scene.png"
      : >"$shots/$scene.done"
      echo "$shots/$scene.png"
      unset 'left[i]'
    fi
  done
  sleep 0.2
done
wait "$scenes" || { cat "$shots/scenes.log" >&2; exit 1; }
rm -f "$shots"/*.ready "$shots"/*.done
[ ${#left[@]} -eq 0 ] || { echo "no picture of: ${left[*]}" >&2; exit 1; }
