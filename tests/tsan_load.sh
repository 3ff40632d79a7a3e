#!/usr/bin/env bash
# korvex serve built with ThreadSanitizer (scripts/sanitize.sh) under wrk: the built-in site on
# the demo database, a list page, a far page, the search form, a static file and the home page,
# each loaded by 8 connections for SECONDS. Fails on any race report and on any failed request.
#   tests/tsan_load.sh KORVEX_BINARY [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$1
seconds=${2:-10}
reports=$(mktemp -d /tmp/korvex-tsan-XXXXXX)
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:log_path=$reports/report"
out=$(KORVEX_BIN="$bin" SERVE_ARGS="" DURATION="$seconds" CONNECTIONS=8 bash bench/load_serve.sh \
  "/table.ksp?RecordsetKorVex=Customers" "/table.ksp?RecordsetKorVex=Orders&CPKorVex=3" \
  "/search.ksp?RecordsetKorVex=Products" "/site.css" "/")
echo "$out"
if compgen -G "$reports/report*" >/dev/null; then
  cat "$reports"/report* >&2
  echo "ThreadSanitizer reported the above" >&2
  exit 1
fi
rm -rf "$reports"
# Every line after the header: the failed column is the fourth from the end.
awk 'NR > 2 && $(NF - 2) != 0 {bad = 1; print "failed requests: " $0} END {exit bad}' <<<"$out"
