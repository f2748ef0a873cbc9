#!/usr/bin/env bash
# Builds the fuzz targets and runs each for SECONDS from its seed corpus;
# fails on the first finding (a crash, a sanitizer report, a difference from
# the exact reference, a timeout of 10 s on one input, or a leak).
#   tests/fuzz/run_fuzzers.sh SECONDS [BUILD_DIR]
# The corpus grown by a run is kept in BUILD_DIR/corpus/TARGET and used again
# by the next run; a finding is written to BUILD_DIR/findings/.
set -euo pipefail
seconds=${1:?usage: run_fuzzers.sh SECONDS [BUILD_DIR]}
here=$(cd "$(dirname "$0")" && pwd)
build=${2:-$here/../../build-fuzz}
"$here/build.sh" "$build"
mkdir -p "$build/findings"

status=0
for target in reader_fuzz format_fuzz dialogue_fuzz; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  log=$build/$target.log
  if "$build/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
    "$corpus" "$here/corpus/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$target: no finding in ${runs:-?} executions"
  else
    echo "$target: FINDING (log $log)"
    grep -E 'ERROR|SUMMARY|difference|fault:' "$log" | head -5 || true
    status=1
  fi
done
exit $status
