#!/usr/bin/env bash
# Runs every fuzz target of the native build longer than the tests do.
#   tools/fuzz.sh [seconds per target, default 300]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-300}
cmake --preset native >/dev/null -S "$root"
cmake --build "$root/build/native"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for target in $(find "$root/build/native/tests" -maxdepth 3 -type f -executable -name 'fuzz_*'); do
  name=$(basename "$target")
  seeds=$(find "$root/tests" -type d -path "*/corpus/$name" | head -n1)
  work="$root/build/native/fuzz-corpus/$name"
  mkdir -p "$work"
  echo "== $name for $seconds s"
  "$target" -max_total_time="$seconds" -max_len=65536 "$work" ${seeds:+"$seeds"}
done
