#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (under Wine, in a throwaway world).
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" = 0 ] && bash scripts/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw
ctest --preset mingw
