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

# The connection string's keys as psql's.
key() { tr ';' '\n' <<<"$server" | awk -F= -v k="$1" 'tolower($1) == k {print substr($0, length($1) + 2)}'; }
export PGHOST=$(key host) PGPORT=$(key port) PGDATABASE=$(key database) PGUSER=$(key "user id")
export PGPASSWORD=$(key password)

# One customers table of $2 rows named $1, as load_list.sh makes it on SQLite.
make_customers() {
  local table=$1 rows=$2
  psql -q -v ON_ERROR_STOP=1 <<SQL
SET client_min_messages = warning;
CREATE SCHEMA IF NOT EXISTS korvex_load;
CREATE TABLE korvex_load."$table" (
  "CustomerID" integer PRIMARY KEY,
  "FirstName" varchar(40) NOT NULL,
  "LastName" varchar(40) NOT NULL,
  "Email" varchar(120),
  "City" varchar(60),
  "Joined" date,
  "Newsletter" boolean NOT NULL DEFAULT FALSE,
  "Amount" money,
  "Notes" text
);
INSERT INTO korvex_load."$table"
SELECT i, 'First' || (i % 97), 'Last' || (i % 89), 'customer' || i || '@example.com',
       'City ' || (i % 50), date '2000-01-01' + (i % 9000), i % 2 = 1,
       ((i % 100000) / 4.0)::numeric::money, 'Customer ' || i || ' came from the load generator.'
FROM generate_series(1, $rows) AS i;
VACUUM ANALYZE korvex_load."$table";
SQL
}

for spec in Customers100k:100000 Customers1m:1000000; do
  table=${spec%%:*} rows=${spec##*:}
  have=$(psql -Atc "SELECT to_regclass('korvex_load.\"$table\"') IS NOT NULL")
  if [[ "$have" != t ]]; then
    echo "generating $table ($rows rows) in the schema korvex_load" >&2
    make_customers "$table" "$rows"
  fi
done

last_page() { echo $(( ($1 + page_size - 1) / page_size )); }
list() { echo "/table.ksp?RecordsetKorVex=$1${2:+&CPKorVex=$2}"; }

echo "== PostgreSQL: korvex_load"
# load_serve.sh splits SERVE_ARGS on blanks: the keys' other spellings have none.
serve_string="${server//User ID=/UID=};search_path=korvex_load"
SERVE_ARGS="--connection ${serve_string}" bench/load_serve.sh \
  "$(list Customers100k)" "$(list Customers100k "$(last_page 100000)")" \
  "$(list Customers1m)" "$(list Customers1m "$(last_page 1000000)")"
