#!/usr/bin/env bash
# Export of the 1,000,000-row customers table (the one bench/bench_customers.h generates,
# made here with the same statement when it is missing) through `korvex serve`, side by side
# with the sqlite3 shell's `.mode csv` of the same table. Prints the seconds of each run, the
# ratio, the bytes sent and the server's peak resident memory (VmHWM) after the exports,
# and checks that the server's CSV has one line per row plus its header.
#
#   bench/export_customers.sh        KORVEX_BIN defaults to build/app/korvex
#
# Environment: KORVEX_BIN, KORVEX_BENCH_DB (default /tmp/korvex-bench-customers.db), RUNS
# (default 3; the best of each side is compared).
set -euo pipefail
source "$(dirname "$0")/serve_start.sh"
cd "$(dirname "$0")/.."

bin=$(realpath -m "${KORVEX_BIN:-build/app/korvex}")
db=$(realpath -m "${KORVEX_BENCH_DB:-/tmp/korvex-bench-customers.db}")
runs=${RUNS:-3}
[[ -x "$bin" ]] || { echo "no korvex binary at $bin (build first, or set KORVEX_BIN)" >&2; exit 2; }
for tool in sqlite3 curl; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh)" >&2; exit 2; }
done

if [[ ! -f "$db" ]]; then
  echo "generating $db (1,000,000 customers)" >&2
  sqlite3 "$db.partial" >/dev/null <<'SQL'
PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;
CREATE TABLE Customers (id INTEGER PRIMARY KEY, FirstName VARCHAR(40), LastName VARCHAR(40),
  Email VARCHAR(80), City VARCHAR(40), Born DATE, Active BOOLEAN, Amount MONEY, Notes TEXT);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000)
INSERT INTO Customers SELECT i,
 rtrim(substr('Anna  Bruno Carla Dario Elena Fabio Gina  Hugo  Irene Luca  Marta Nico  Olga  Paolo ', 1 + (i % 14) * 6, 6)),
 rtrim(substr('Rossi  BianchiVerdi  Neri   Gallo  Costa  FontanaConti  Greco  Moretti', 1 + (i / 14 % 10) * 7, 7)),
 'customer' || i || '@example.com',
 rtrim(substr('Rome    Milan   Turin   Naples  Genoa   Bologna FlorenceBari    ', 1 + (i % 8) * 8, 8)),
 date('1940-01-01', '+' || (i * 37 % 21900) || ' days'), i % 2,
 (i * 7919 % 1000000) / 100.0,
 substr('Prefers contact by mail; pays on time; asks for paper invoices. ' ||
 'Visited the shop in spring and again in autumn, bought mostly books and maps. ' ||
 'Likes the newsletter.', 1, 40 + i % 121) FROM n;
SQL
  mv "$db.partial" "$db"
fi

work=$(mktemp -d)
server_pid=""
cleanup() {
  if [[ -n "$server_pid" ]] && kill -0 "$server_pid" 2>/dev/null; then
    kill -TERM "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
start_server "$work" "$bin" --db "$db"

seconds() { local start=$1 end=$2; awk -v s="$start" -v e="$end" 'BEGIN {printf "%.3f", (e - s) / 1e9}'; }
best() { sort -n | head -1; }
url="http://127.0.0.1:${port}/export.ksp?RecordsetKorVex=Customers&format=csv"

# The first request warms the page cache and the file cache for both sides.
curl -s -o /dev/null "$url"
sqlite3 -csv -header "$db" "SELECT * FROM Customers" > /dev/null

korvex_times=() shell_times=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N); curl -s -o "$work/korvex.csv" "$url"; end=$(date +%s%N)
  korvex_times+=("$(seconds "$start" "$end")")
  start=$(date +%s%N); sqlite3 -csv -header "$db" "SELECT * FROM Customers" > "$work/shell.csv"; end=$(date +%s%N)
  shell_times+=("$(seconds "$start" "$end")")
done
korvex=$(printf '%s\n' "${korvex_times[@]}" | best)
shell=$(printf '%s\n' "${shell_times[@]}" | best)
lines=$(wc -l < "$work/korvex.csv")
[[ "$lines" == 1000001 ]] || { echo "the export has $lines lines, not 1,000,001" >&2; exit 1; }

printf '%-34s %10s %14s\n' "" "seconds" "bytes"
printf '%-34s %10s %14s\n' "korvex serve /export.ksp (csv)" "$korvex" "$(stat -c %s "$work/korvex.csv")"
printf '%-34s %10s %14s\n' "sqlite3 -csv -header" "$shell" "$(stat -c %s "$work/shell.csv")"
awk -v k="$korvex" -v s="$shell" 'BEGIN {printf "ratio korvex / sqlite3 shell: %.2f (target <= 2)\n", k / s}'
echo "server peak RSS: $(awk '/^VmHWM:/ {print $2 " kB"}' "/proc/$server_pid/status") (target < 50 MB)"
