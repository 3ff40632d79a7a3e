#!/usr/bin/env bash
# The built-in site's restyled list (header, table links, message area, export links, skins
# with classes) against the list of a binary built before the restyle (BASELINE_BIN), on the
# demo database's Products. Both servers run at once; `wrk` loads them in turns, ROUNDS times
# DURATION seconds each, so a machine whose load changes treats both alike. Prints each
# round and the ratio of the summed requests, restyled / baseline (target >= 0.9).
#
#   BASELINE_BIN=old/build/app/korvex bench/load_site_look.sh
#
# Environment: KORVEX_BIN (default build/app/korvex), BASELINE_BIN (required), DURATION
# (default 5), ROUNDS (default 6), CONNECTIONS (default 8).
set -euo pipefail
source "$(dirname "$0")/serve_start.sh"
cd "$(dirname "$0")/.."

bin=$(realpath -m "${KORVEX_BIN:-build/app/korvex}")
baseline_bin=$(realpath -m "${BASELINE_BIN:?a korvex binary built before the restyle}")
duration=${DURATION:-5} rounds=${ROUNDS:-6} connections=${CONNECTIONS:-8}
for b in "$bin" "$baseline_bin"; do
  [[ -x "$b" ]] || { echo "no korvex binary at $b" >&2; exit 2; }
done
command -v wrk >/dev/null || { echo "wrk is not installed (scripts/install-deps.sh)" >&2; exit 2; }

scratch=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT

mkdir -p "$scratch/demo" "$scratch/new" "$scratch/old"
# The demo database, as a first run creates it; then both servers serve it the same way.
start_server "$scratch/demo" "$bin"
kill -TERM "$server_pid"; wait "$server_pid" 2>/dev/null || true
db=$scratch/demo/korvex-demo.db
start_server "$scratch/new" "$bin" --db "$db"
pids+=("$server_pid") new_port=$port
start_server "$scratch/old" "$baseline_bin" --db "$db"
pids+=("$server_pid") old_port=$port

path="/table.ksp?RecordsetKorVex=Products"
requests() {
  wrk -t2 -c"$connections" -d"${duration}s" "http://127.0.0.1:$1$path" |
    awk '/requests in/ {print $1}'
}
requests "$new_port" >/dev/null; requests "$old_port" >/dev/null  # warm both
new_total=0 old_total=0
printf '%-8s %12s %12s\n' round restyled baseline
for round in $(seq "$rounds"); do
  n=$(requests "$new_port") o=$(requests "$old_port")
  new_total=$((new_total + n)) old_total=$((old_total + o))
  printf '%-8s %12s %12s\n' "$round" "$n" "$o"
done
awk -v n="$new_total" -v o="$old_total" -v t="$((duration * rounds))" 'BEGIN {
  printf "requests/s: restyled %.1f, baseline %.1f; restyled / baseline %.2f (target >= 0.9)\n",
         n / t, o / t, n / o }'
