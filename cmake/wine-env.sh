#!/usr/bin/env bash
# Starts or stops the throwaway Wine world of one test run: an X display of its own (Xvfb)
# and a fresh 32-bit prefix, both under DIR, never the user's ~/.wine.
#   wine-env.sh start DIR    wine-env.sh stop DIR
set -u
action=$1
dir=$2

stop() {
  if [ -f "$dir/env" ]; then
    # shellcheck disable=SC1091
    . "$dir/env"
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
  fi
  if [ -f "$dir/xvfb.pid" ]; then kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true; fi
  rm -rf "$dir"
}

case "$action" in
stop) stop; exit 0 ;;
start) ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac

stop
mkdir -p "$dir/prefix"
# shellcheck disable=SC1091
. "$(dirname "$0")/xvfb.sh"
start_xvfb "$dir" 1280x1024 || exit 1

cat >"$dir/env" <<ENV
export DISPLAY=$DISPLAY
export WINEPREFIX=$dir/prefix
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
ENV
# shellcheck disable=SC1091
. "$dir/env"
# Keep one server for the whole run: every test program starts faster.
wineserver -p >/dev/null 2>&1 </dev/null
wineboot -i </dev/null >"$dir/wineboot.log" 2>&1 || { cat "$dir/wineboot.log" >&2; exit 1; }
# A crashing test ends instead of waiting behind the crash dialog.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
# There is no window manager: without this, destroying a shown window waits two seconds
# for one to withdraw it.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
echo "Wine test world ready: DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX"
