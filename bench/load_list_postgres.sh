#!/usr/bin/env bash
# bench/load_list.sh on a PostgreSQL server: the built-in site's editing list of customers
# tables of 100,000 and 1,000,000 rows (first and last page, page size 7), served by
# `korvex serve --connection`, each path under `wrk -t2 -c8 -d30s --latency` through
# bench/load_serve.sh.
#
#   KORVEX_BENCH_POSTGRES="Provider=PostgreSQL;Host=...;Port=...;Database=...;User ID=..." \
#     bench/load_list_postgres.sh
#
# KORVEX_BENCH_POSTGRES falls back to KORVEX_TEST_POSTGRES (scripts/test-postgres.sh starts a
# throw-away server). The tables are generated once into the schema korvex_load and kept.
# Environment as for load_list.sh: KORVEX_BIN, DURATION.
set -euo pipefail
cd "$(dirname "$0")/.."

export KORVEX_BIN=${KORVEX_BIN:-build-site-rel/app/korvex}
export DURATION=${DURATION:-30} CONNECTIONS=8 THREADS=2
server=${KORVEX_BENCH_POSTGRES:-${KORVEX_TEST_POSTGRES:-}}
[[ -n "$server" ]] || { echo "name a server in KORVEX_BENCH_POSTGRES" >&2; exit 2; }
command -v psql >/dev/null || { echo "psql is not installed (scripts/install-deps.sh)" >&2; exit 2; }
readonly page_size=7

source bench/postgres_customers.sh
ensure_customers Customers100k:100000 Customers1m:1000000

last_page() { echo $(( ($1 + page_size - 1) / page_size )); }
list() { echo "/table.ksp?RecordsetKorVex=$1${2:+&CPKorVex=$2}"; }

echo "== PostgreSQL: korvex_load"
# load_serve.sh splits SERVE_ARGS on blanks: the keys' other spellings have none.
serve_string="${server//User ID=/UID=};search_path=korvex_load"
SERVE_ARGS="--connection ${serve_string}" bench/load_serve.sh \
  "$(list Customers100k)" "$(list Customers100k "$(last_page 100000)")" \
  "$(list Customers1m)" "$(list Customers1m "$(last_page 1000000)")"
