#!/usr/bin/env bash
# Builds the native fuzz targets and gives each a short bounded run from the seed corpus.
#   fuzz/run.sh BUILD_DIR SECONDS_PER_TARGET
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
seconds=${2:-10}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" >/dev/null
status=0
for target in $(sed -n 's/^fuzz_target(\([a-z_]*\).*/\1/p' "$here/CMakeLists.txt"); do
  work=$build/corpus-$target
  mkdir -p "$work" "$build/artifacts"
  seeds=$here/corpus/$target
  [ -d "$seeds" ] || seeds=
  if "$build/$target" "$work" $seeds -max_total_time="$seconds" -timeout=10 \
       -artifact_prefix="$build/artifacts/$target-" >"$build/$target.log" 2>&1; then
    echo "$target: $(grep -E '^Done [0-9]+ runs' "$build/$target.log" | tail -n1)"
  else
    echo "$target: FAILED, see $build/$target.log and $build/artifacts" >&2
    tail -n 30 "$build/$target.log" >&2
    status=1
  fi
done
exit $status
