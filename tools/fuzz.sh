#!/usr/bin/env bash
# Runs the fuzz targets of the native build (AddressSanitizer and
# UndefinedBehaviorSanitizer) longer than the tests do.
#
#   tools/fuzz.sh [seconds per target, default 300]
#       every target for that long, from its corpus in the repository
#   tools/fuzz.sh --campaign [runs, default 10000000] [target ...]
#       a campaign: every target (or those named) to that many runs; the
#       whole-engine targets (fuzz_engine_*), which manage only tens of runs a
#       second, run for ZARN_FUZZ_ENGINE_SECONDS instead (default 7200). Then
#       each target's corpus in the repository gains the inputs of the run
#       that reach new code (merged and minimised by libFuzzer), and a line
#       per target reports its runs, edges, features and findings (crash,
#       leak and timeout inputs, kept in build/native/fuzz-corpus/<target>/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake --preset native >/dev/null -S "$root"
cmake --build "$root/build/native"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

campaign=0
if [ "${1:-}" = --campaign ]; then
  campaign=1
  shift
  runs=${1:-10000000}
  [ $# -gt 0 ] && shift
  wanted=("$@")
else
  seconds=${1:-300}
  wanted=()
fi

# The repository's corpus of a target: beside the sources of its tests.
corpus_of() {
  local target=$1 name
  name=$(basename "$target")
  local found
  found=$(find "$root/tests" -type d -path "*/corpus/$name" | head -n1)
  if [ -z "$found" ]; then
    local folder=${target#"$root/build/native/"}
    found=$root/$(dirname "$folder")/corpus/$name
    mkdir -p "$found"
  fi
  printf '%s' "$found"
}

# The longest input a target is given. The parsers alone take at most 8 KiB:
# their work grows with the input's length, and what they can get wrong shows
# in short inputs; the whole-engine targets take screens of up to 64 KiB.
max_len_of() {
  case $1 in
    fuzz_html_parser|fuzz_css_parser) echo 8192 ;;
    *) echo 65536 ;;
  esac
}

report=()
for target in $(find "$root/build/native/tests" -maxdepth 3 -type f -executable -name 'fuzz_*' | sort); do
  name=$(basename "$target")
  if [ ${#wanted[@]} -gt 0 ] && [[ ! " ${wanted[*]} " =~ " $name " ]]; then continue; fi
  seeds=$(corpus_of "$target")
  work="$root/build/native/fuzz-corpus/$name"
  mkdir -p "$work"
  if [ $campaign = 0 ]; then
    echo "== $name for $seconds s"
    "$target" -max_total_time="$seconds" -max_len=65536 "$work" "$seeds"
    continue
  fi
  log="$work.log"
  if [[ $name == fuzz_engine_* ]]; then
    limit=(-max_total_time="${ZARN_FUZZ_ENGINE_SECONDS:-7200}")
    echo "== $name for ${ZARN_FUZZ_ENGINE_SECONDS:-7200} s (log: $log)"
  else
    limit=(-runs="$runs")
    echo "== $name to $runs runs (log: $log)"
  fi
  status=0
  "$target" "${limit[@]}" -max_len="$(max_len_of "$name")" -artifact_prefix="$work/" "$work" "$seeds" >"$log" 2>&1 || status=$?
  last=$(grep -E '^#[0-9]+' "$log" | tail -n1 || true)
  executed=$(printf '%s' "$last" | sed -n 's/^#\([0-9]*\).*/\1/p')
  edges=$(printf '%s' "$last" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
  features=$(printf '%s' "$last" | sed -n 's/.*ft: \([0-9]*\).*/\1/p')
  findings=$(find "$work" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  # The repository's corpus keeps its seeds and gains the inputs of this run
  # that reach something they do not (libFuzzer's merge, which minimises).
  "$target" -merge=1 -max_len="$(max_len_of "$name")" "$seeds" "$work" >/dev/null 2>&1 || true
  report+=("$name: ${executed:-?} runs, ${edges:-?} edges, ${features:-?} features, $findings findings, exit $status, corpus $(ls "$seeds" | wc -l) inputs")
done
if [ $campaign = 1 ]; then
  echo "== campaign"
  printf '%s\n' "${report[@]}"
fi
