#!/usr/bin/env bash
# Load on the built-in site's editing list: the first and the last page (page size 7) of the
# demo database's Products table, and of customers tables of 100,000 and 1,000,000 rows
# generated into a scratch database. Each path gets `wrk -t2 -c8 -d30s --latency` against
# 127.0.0.1 only, through bench/load_serve.sh, which prints requests per second, the 99th
# percentile, failed requests and the server's resident memory after each run.
#
#   bench/load_list.sh             KORVEX_BIN defaults to the Release build in build-site-rel
#
# Environment: KORVEX_BIN, DURATION (default 30), SCRATCH (a folder for the generated
# database, kept between runs since generating a million rows takes a while; default a
# temporary folder removed at the end).
set -euo pipefail
cd "$(dirname "$0")/.."

export KORVEX_BIN=${KORVEX_BIN:-build-site-rel/app/korvex}
export DURATION=${DURATION:-30} CONNECTIONS=8 THREADS=2
command -v sqlite3 >/dev/null || { echo "sqlite3 is not installed (scripts/install-deps.sh)" >&2; exit 2; }
readonly page_size=7

if [[ -n "${SCRATCH:-}" ]]; then
  scratch=$SCRATCH
  mkdir -p "$scratch"
else
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
fi
db=$scratch/customers.db

source bench/customers_table.sh

for spec in Customers100k:100000 Customers1m:1000000; do
  table=${spec%%:*} rows=${spec##*:}
  have=$(sqlite3 "$db" "SELECT count(*) FROM sqlite_master WHERE name = '$table'" 2>/dev/null || echo 0)
  if [[ "$have" != 1 ]]; then
    echo "generating $table ($rows rows) in $db" >&2
    make_customers "$db" "$table" "$rows"
  fi
done

last_page() { echo $(( ($1 + page_size - 1) / page_size )); }
list() { echo "/table.ksp?RecordsetKorVex=$1${2:+&CPKorVex=$2}"; }

echo "== demo database: Products"
products=17  # rows of the demo's Products table
SERVE_ARGS="" bench/load_serve.sh "$(list Products)" "$(list Products "$(last_page $products)")"

echo "== $db"
SERVE_ARGS="--db $db" bench/load_serve.sh \
  "$(list Customers100k)" "$(list Customers100k "$(last_page 100000)")" \
  "$(list Customers1m)" "$(list Customers1m "$(last_page 1000000)")"
