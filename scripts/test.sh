#!/usr/bin/env bash
# Installs what is missing, builds both architectures, and runs every test under Wine, each
# architecture in a throwaway world of its own: the x64 suite on every machine, the x86 suite
# where the machine executes 32-bit code (QM_NO_X86=1 pretends it cannot). Exits nonzero when
# any suite fails.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck disable=SC1091
. cmake/machine.sh
if [ "$(id -u)" = 0 ]; then bash scripts/setup.sh; else have_tools clang++ wixl msiinfo osslsigncode openssl strings || exit 1; fi

# Both are built everywhere: the package checks of each suite read both executables.
for preset in mingw mingw-x64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

status=0
closing=()
# run_suite ARCH PRESET: the suite's CTest run, in full, and its closing line kept.
run_suite() {
  local log
  log=$(mktemp)
  ctest --preset "$2" 2>&1 | tee "$log" || status=1
  closing+=("$1: $(grep -E 'tests passed|tests failed' "$log" | tail -n1 || echo 'no closing line')")
  rm -f "$log"
}

if reason=$(x86_not_run_reason); then
  summary="Ran: x64. x86: not run: $reason"
else
  run_suite x86 mingw
  summary="Ran: x86 and x64."
fi
run_suite x64 mingw-x64

echo
printf '%s\n' "${closing[@]}"
echo "$summary"
exit $status
