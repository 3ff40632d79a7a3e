#!/usr/bin/env bash
# korvex serve built with ThreadSanitizer (scripts/sanitize.sh) under wrk, each part for
# SECONDS: the built-in site on the demo database (a list page, a far page, the search form, a
# static file and the home page, each loaded by 8 connections), then on a customers table of
# 10,000 rows the mix of bench/soak.lua on 4 connections at once (list pages, edit forms, saves,
# searches and the report). Fails on any race report, any failed request and any answer the mix
# did not expect.
#   tests/tsan_load.sh KORVEX_BINARY [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/serve_start.sh
source bench/customers_table.sh
bin=$(realpath "$1")
seconds=${2:-10}
reports=$(mktemp -d /tmp/korvex-tsan-XXXXXX)
server_pid=""
cleanup() {
  if [[ -n "$server_pid" ]] && kill -0 "$server_pid" 2>/dev/null; then
    kill -TERM "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$reports"
}
trap cleanup EXIT
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:log_path=$reports/report"
races() {
  if compgen -G "$reports/report*" >/dev/null; then
    cat "$reports"/report* >&2
    echo "ThreadSanitizer reported the above" >&2
    exit 1
  fi
}

out=$(KORVEX_BIN="$bin" SERVE_ARGS="" DURATION="$seconds" CONNECTIONS=8 bash bench/load_serve.sh \
  "/table.ksp?RecordsetKorVex=Customers" "/table.ksp?RecordsetKorVex=Orders&CPKorVex=3" \
  "/search.ksp?RecordsetKorVex=Products" "/site.css" "/")
echo "$out"
races
# Every line after the header: the failed column is the fourth from the end.
awk 'NR > 2 && $(NF - 2) != 0 {bad = 1; print "failed requests: " $0} END {exit bad}' <<<"$out"

rows=10000
make_customers "$reports/customers.db" Customers "$rows"
mkdir -p "$reports/mix"
KORVEX_STATE_DIR="$reports/state" start_server "$reports" "$bin" --db "$reports/customers.db"
mix=$(wrk -t4 -c4 -d"${seconds}s" --timeout 30s -s bench/soak.lua "http://127.0.0.1:${port}/" \
      -- 4 "$rows" 7 "$reports/mix")
kill -TERM "$server_pid"
wait "$server_pid" || { echo "the server ended badly" >&2; cat "$reports/server.log" >&2; exit 1; }
server_pid=""
echo "$mix" | sed -n '/requests in/,$p'
races
saves=$(cat "$reports"/mix/saves-* | grep -c '^ok ' || true)
failed=$(awk '/^  Socket errors:/ {gsub(",", ""); n += $4 + $6 + $8 + $10}
              /^  Non-2xx or 3xx responses:/ {n += $5}
              /^Unexpected answers:/ {n += $3} END {print n + 0}' <<<"$mix")
echo "saves acknowledged: $saves"
if (( failed != 0 || saves == 0 )); then
  head -c 3000 "$reports"/mix/problems-* >&2
  # What the server said of them: every answer that was not a success, and its own notes.
  grep -v '" [23][0-9][0-9] [0-9]* [0-9]*ms$' "$reports/server.log" | head -40 >&2 || true
  echo "failed requests: $failed" >&2
  exit 1
fi
