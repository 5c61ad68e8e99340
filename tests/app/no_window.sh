#!/usr/bin/env bash
# Where the editor cannot be built (here: no X display for the program, which Wine's own
# process creation cannot arrange from inside), the run must end with 255, not as a success.
#   no_window.sh WORLD_DIR EXE
set -u
# shellcheck disable=SC1091
. "$1/env"
DISPLAY=:987 timeout 60 "$QM_WINE" "$2" >/dev/null 2>&1
code=$?
if [ "$code" -ne 255 ]; then
  echo "exit code $code without a window, expected 255" >&2
  exit 1
fi
