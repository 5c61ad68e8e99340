#!/usr/bin/env bash
# The program starts without the C runtime's start-up, so an initialiser the compiler puts on
# the run-time list (a constructor, or a destructor to register) would never run: none may
# exist in the program's code.
#   no_run_time_init.sh NM LIBRARY...
set -u
nm=$1
shift
found=$("$nm" -A "$@" 2>/dev/null | grep -E '_GLOBAL__sub_I|\.ctors|\.CRT\$XC')
if [ -n "$found" ]; then
  echo "run-time initialisers in the program:" >&2
  echo "$found" >&2
  exit 1
fi
for lib in "$@"; do
  [ -s "$lib" ] || { echo "missing $lib" >&2; exit 1; }
done
