#!/bin/sh
# Runs the HTML engine's fuzz targets longer than the brief runs of the test
# suite: builds the native preset, then gives each target SECONDS seconds
# (default 600) on its seed corpus plus the corpus it grew so far, kept in
# build/native/fuzz-engine/<target> (apart from the brief runs' corpus, so
# that ctest stays brief). Crashes and slow inputs land in
# build/native/fuzz-engine/artifacts/ as crash-*, timeout-*, leak-*.
#
#   tools/fuzz-engine.sh [SECONDS] [TARGET...]
#   tools/fuzz-engine.sh 3600 fuzz_engine_html
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
[ $# -gt 0 ] && shift
targets=${*:-"fuzz_engine_html fuzz_engine_css"}
build="$root/build/native"

cmake --preset native -S "$root" >/dev/null
cmake --build "$build" --target $targets

artifacts="$build/fuzz-engine/artifacts"
mkdir -p "$artifacts"
status=0
for target in $targets; do
  work="$build/fuzz-engine/$target"
  mkdir -p "$work"
  echo "== $target for $seconds s"
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/tests/engine/$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
      -artifact_prefix="$artifacts/$target-" -print_final_stats=1 \
      "$work" "$root/tests/engine/corpus/$target" || status=1
done
exit $status
