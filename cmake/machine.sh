# shellcheck shell=bash
# Sourced by the scripts: which builds this machine can run under Wine.
# QM_NO_X86=1 pretends that it cannot execute 32-bit code.

# True when 32-bit x86 Linux programs run here: the i386 C library's loader starts. A kernel
# without 32-bit emulation answers "Exec format error".
runs_32bit_code() {
  [ -z "${QM_NO_X86:-}" ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# Prints why the x86 build cannot run here and returns 0; returns 1 when it can.
x86_not_run_reason() {
  if [ -n "${QM_NO_X86:-}" ]; then
    echo "this machine cannot execute 32-bit code (QM_NO_X86 is set)"
  elif [ ! -e /lib/ld-linux.so.2 ]; then
    echo "the i386 C library (libc6:i386) is not installed"
  elif ! runs_32bit_code; then
    echo "this machine cannot execute 32-bit code"
  elif [ ! -x /usr/lib/wine/wine ]; then
    echo "the 32-bit Wine (wine32) is not installed"
  else
    return 1
  fi
}

# Without root the scripts cannot install anything: true when the tools they need are here,
# else one line says what is missing and what to run.
have_tools() {
  local missing=() tool
  for tool in cmake ninja i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix \
    /usr/lib/wine/wine64 Xvfb xauth python3 "$@"; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("${tool##*/}")
  done
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Not installed: ${missing[*]}. Run scripts/setup.sh as root first (sudo scripts/setup.sh)." >&2
  return 1
}

# Makes a fresh Wine prefix with the loader given; a failure says so and what Wine said.
boot_prefix() {
  local log
  log=$(mktemp)
  if ! "$1" wineboot -i </dev/null >"$log" 2>&1; then
    echo "wineboot failed to make the Wine prefix $WINEPREFIX; its output:" >&2
    tail -n 20 "$log" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

# The editor's title, from the build's generated version header.
editor_title() {
  sed -n 's/^#define QUILLMARK_TITLE "\(.*\)"$/\1/p' "$1/generated/version.h"
}
