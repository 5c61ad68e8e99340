#!/usr/bin/env bash
# Runs a Windows test program under Wine inside the run's throwaway world (wine-env.sh),
# with the world's own loader.
set -u
dir=${QM_WINE_ENV:?QM_WINE_ENV names the test run\'s Wine world}
# shellcheck disable=SC1091
. "$dir/env"
exec "$QM_WINE" "$@"
