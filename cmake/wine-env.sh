#!/usr/bin/env bash
# Starts or stops the throwaway Wine world of one test run: an X display of its own (Xvfb)
# and a fresh prefix of the build's architecture, both under DIR, never the user's ~/.wine.
#   wine-env.sh start DIR [x86|x64]    wine-env.sh stop DIR
# DIR/env, sourced, gives the world's settings and QM_WINE, the loader to run programs with.
set -u
action=$1
dir=$2
arch=${3:-x86}

stop() {
  if [ -f "$dir/env" ]; then
    # shellcheck disable=SC1091
    . "$dir/env"
    "$WINESERVER" -k 2>/dev/null || true
  fi
  if [ -f "$dir/xvfb.pid" ]; then kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true; fi
  rm -rf "$dir"
}

case "$action" in
stop) stop; exit 0 ;;
start) ;;
*) echo "usage: $0 start|stop DIR [x86|x64]" >&2; exit 2 ;;
esac

# The loaders are named, never Debian's `wine` wrapper: it picks the 32-bit loader whenever
# wine32 is installed, even on a machine that cannot execute it.
case "$arch" in
x86) winearch=win32 loader=/usr/lib/wine/wine ;;
x64) winearch=win64 loader=/usr/lib/wine/wine64 ;;
*) echo "unknown architecture: $arch" >&2; exit 2 ;;
esac
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=/usr/lib/wine/wineserver32
[ -x "$loader" ] || { echo "$loader is missing: run scripts/setup.sh" >&2; exit 1; }

stop
mkdir -p "$dir/prefix"
# shellcheck disable=SC1091
. "$(dirname "$0")/xvfb.sh"
start_xvfb "$dir" 1280x1024 || exit 1

cat >"$dir/env" <<ENV
export DISPLAY=$DISPLAY
export WINEPREFIX=$dir/prefix
export WINEARCH=$winearch
export WINELOADER=$loader
export WINESERVER=$server
export QM_WINE=$loader
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
ENV
# shellcheck disable=SC1091
. "$dir/env"
# Keep one server for the whole run: every test program starts faster.
"$WINESERVER" -p >/dev/null 2>&1 </dev/null
if ! "$QM_WINE" wineboot -i </dev/null >"$dir/wineboot.log" 2>&1; then
  echo "wineboot failed to make the Wine prefix $WINEPREFIX; its output:" >&2
  tail -n 20 "$dir/wineboot.log" >&2
  exit 1
fi
# A crashing test ends instead of waiting behind the crash dialog.
"$QM_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
# There is no window manager: without this, destroying a shown window waits two seconds
# for one to withdraw it.
"$QM_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
echo "Wine test world ready ($arch): DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX"
