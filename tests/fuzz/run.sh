#!/usr/bin/env bash
# Runs every libFuzzer harness of a fuzzer build for SECONDS each (default 8) on its seed corpus
# (tests/fuzz/corpus/<harness>, never written to): new inputs go to a scratch folder, a crash
# leaves its input in the scratch folder and fails the run. Prints each harness's executions.
#
#   tests/fuzz/run.sh [SECONDS] [BUILD_DIR]      BUILD_DIR defaults to build-sanitize
#   tests/fuzz/run.sh 3600 build-sanitize        an hour each, by hand
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-8}
build=${2:-build-sanitize}
scratch=$(mktemp -d /tmp/korvex-fuzz-XXXXXX)
status=0
printf '%-22s %12s %10s\n' harness executions exec/s
for harness in filter_fuzz jet_sql_fuzz request_text_fuzz upload_body_fuzz page_compiler_fuzz \
               report_template_fuzz image_size_fuzz; do
  mkdir -p "$scratch/$harness"
  log="$scratch/$harness.log"
  if ! "$build/tests/fuzz/$harness" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
      -rss_limit_mb=2048 -artifact_prefix="$scratch/$harness/" -print_final_stats=1 \
      "$scratch/$harness" "tests/fuzz/corpus/$harness" >"$log" 2>&1; then
    echo "$harness FAILED; its log and the input that failed are in $scratch" >&2
    tail -n 40 "$log" >&2
    status=1
    continue
  fi
  runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
  printf '%-22s %12s %10s\n' "$harness" "$runs" "$((runs / seconds))"
done
[ "$status" -eq 0 ] && rm -rf "$scratch"
exit "$status"
