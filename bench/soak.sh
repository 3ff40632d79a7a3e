#!/usr/bin/env bash
# Soak of `korvex serve`: the built-in site on a customers table of a million rows, loaded at
# full speed for DURATION seconds by wrk with the mix of bench/soak.lua (the list's first,
# middle and last pages, a row's list page, its edit form, its save with a changed Amount, the
# search form, a search and the report). At the end it checks, and exits 1 when one fails:
#   - no failed request: no socket error, no answer other than 2xx or 3xx, and no answer the
#     mix did not expect (a page cut short, a form not found, a save not acknowledged);
#   - resident memory flat: the server's VmRSS, sampled every 10 s, averages within 10 % over
#     the last minute of what it averaged over the second minute;
#   - the table as the saves say: the same row count, every row a thread saved holding the
#     Amount of its last acknowledged save (either value for a save still under way when the
#     run stopped) and every other row its Amount from before, and the sum of Amount over the
#     whole table in cents what that makes.
#
#   bench/soak.sh
#
# Environment: KORVEX_BIN (default build/app/korvex), DURATION in seconds (default 600, at
# least 180), CONNECTIONS (default 4, one wrk thread each), SCRATCH (a folder for the
# generated database, kept between runs since generating a million rows takes a while; default
# a temporary folder removed at the end). The database's Amounts and Joined dates change with
# each run; the checks only compare a run's end with its own start.
set -euo pipefail
source "$(dirname "$0")/serve_start.sh"
cd "$(dirname "$0")/.."
source bench/customers_table.sh

bin=$(realpath -m "${KORVEX_BIN:-build/app/korvex}")
duration=${DURATION:-600}
connections=${CONNECTIONS:-4}
readonly rows=1000000 page_size=7 rows_per_thread=250 table=Customers
[[ "$duration" =~ ^[0-9]+$ ]] && (( duration >= 180 )) || { echo "DURATION: 180 seconds or more" >&2; exit 2; }
[[ "$connections" =~ ^[0-9]+$ ]] && (( connections >= 1 && connections <= 64 )) || { echo "CONNECTIONS: 1 to 64" >&2; exit 2; }
[[ -x "$bin" ]] || { echo "no korvex binary at $bin (build first, or set KORVEX_BIN)" >&2; exit 2; }
for tool in wrk sqlite3; do
  command -v $tool >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh)" >&2; exit 2; }
done

work=$(mktemp -d)
scratch=${SCRATCH:-$(mktemp -d)}
server_pid="" sampler_pid=""
cleanup() {
  [[ -z "$sampler_pid" ]] || kill "$sampler_pid" 2>/dev/null || true
  if [[ -n "$server_pid" ]] && kill -0 "$server_pid" 2>/dev/null; then
    kill -TERM "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
  [[ -n "${SCRATCH:-}" ]] || rm -rf "$scratch"
}
trap cleanup EXIT
mkdir -p "$scratch"
db=$(realpath "$scratch")/soak-customers.db
have=$(sqlite3 "$db" "SELECT count(*) FROM sqlite_master WHERE name = '$table'" 2>/dev/null || echo 0)
if [[ "$have" != 1 ]]; then
  echo "generating $table ($rows rows) in $db" >&2
  make_customers "$db" "$table" "$rows"
fi

# Amount in cents, exact whatever the stored value's type.
cents_sql="CAST(round(Amount * 100) AS INTEGER)"
# The rows the threads save, as soak.lua picks them, with their Amount before the run.
candidates=$(awk -v t="$connections" -v k="$rows_per_thread" -v n="$rows" \
  'BEGIN { for (i = 0; i < t * k; i++) printf "%s%d", (i ? "," : ""), (i * 7919) % n + 1 }')
sqlite3 -separator ' ' "$db" \
  "SELECT CustomerID, $cents_sql FROM $table WHERE CustomerID IN ($candidates)" > "$work/before"
count_before=$(sqlite3 "$db" "SELECT count(*) FROM $table")
sum_before=$(sqlite3 "$db" "SELECT sum($cents_sql) FROM $table")

export KORVEX_STATE_DIR=$work/state
start_server "$work" "$bin" --db "$db"
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$server_pid/status"; }
(
  for (( at = 10; at <= duration; at += 10 )); do
    sleep 10
    echo "$at $(rss_kb)"
  done
) > "$work/rss" &
sampler_pid=$!

echo "soak: $duration s, $connections connections, korvex serve (pid $server_pid) on $db" >&2
mkdir -p "$work/out"
wrk -t"$connections" -c"$connections" -d"${duration}s" --timeout 30s --latency \
  -s bench/soak.lua "http://127.0.0.1:${port}/" -- "$connections" "$rows" "$page_size" \
  "$work/out" > "$work/wrk.txt"
wait "$sampler_pid" 2>/dev/null || true
sampler_pid=""
kill -TERM "$server_pid"
wait "$server_pid" 2>/dev/null || true
server_pid=""

sed -n '/^Running/,$p' "$work/wrk.txt"
bad=0
check() {  # check NAME OK DETAIL
  printf '%-8s %-22s %s\n' "$([[ $2 == 1 ]] && echo ok || echo FAILED)" "$1" "$3"
  [[ $2 == 1 ]] || bad=1
}

# "Socket errors: connect 0, read 0, write 0, timeout 0" and "Non-2xx or 3xx responses: N"
failed=$(awk '/^  Socket errors:/ {gsub(",", ""); n += $4 + $6 + $8 + $10}
              /^  Non-2xx or 3xx responses:/ {n += $5}
              /^Unexpected answers:/ {n += $3} END {print n + 0}' "$work/wrk.txt")
total=$(awk '/requests in/ {print $1}' "$work/wrk.txt")
check "failed requests" "$(( failed == 0 ))" "$failed of $total"
if compgen -G "$work/out/problems-*" >/dev/null && [[ -s $(ls -S "$work"/out/problems-* | head -1) ]]; then
  head -c 3000 "$work"/out/problems-* >&2
fi

memory=$(awk -v d="$duration" '$1 > 60 && $1 <= 120 {s += $2; n++} $1 > d - 60 {l += $2; m++}
  END { if (!n || !m) {print "0 no samples"; exit}
        a = s / n; b = l / m; r = b / a
        printf "%d second minute %d kB, last minute %d kB (%+.1f %%)\n",
               (r >= 0.9 && r <= 1.1), a, b, (r - 1) * 100 }' "$work/rss")
check "resident memory flat" "${memory%% *}" "${memory#* }"

# The last word on each saved row: its last acknowledged Amount, or either value while the
# save sent last was never answered.
cat "$work"/out/saves-* > "$work/saves"
awk '$1 == "sent" {sent[$2] = $3} $1 == "ok" {ok[$2] = $3; delete sent[$2]}
     END {for (r in ok) print r, ok[r], (r in sent ? sent[r] : ok[r])
          for (r in sent) if (!(r in ok)) print r, "-", sent[r]}' "$work/saves" | sort -n > "$work/expected"
acknowledged=$(grep -c '^ok ' "$work/saves" || true)
refused=$(grep -c '^refused ' "$work/saves" || true)
sqlite3 -separator ' ' "$db" \
  "SELECT CustomerID, $cents_sql FROM $table WHERE CustomerID IN ($candidates)" > "$work/after"
# Each candidate row: its value after, against before and what the saves said.
rows_wrong=$(awk 'FILENAME == ARGV[1] {before[$1] = $2; next}
  FILENAME == ARGV[2] {ok[$1] = $2; alt[$1] = $3; next}
  { want = ($1 in ok) ? ok[$1] : before[$1]; if (want == "-") want = before[$1]
    if ($2 != want && !(($1 in alt) && $2 == alt[$1])) {print $1, "holds", $2, "not", want; n++}
    seen++ }
  END { if (seen != length(before)) print "rows missing:", length(before) - seen
        exit 0 }' "$work/before" "$work/expected" "$work/after")
check "saved rows" "$([[ -z $rows_wrong ]] && echo 1 || echo 0)" \
  "$acknowledged saves acknowledged, $refused refused, $(wc -l < "$work/expected") rows saved"
[[ -z $rows_wrong ]] || head -20 <<<"$rows_wrong" >&2

count_after=$(sqlite3 "$db" "SELECT count(*) FROM $table")
check "row count" "$(( count_after == count_before ))" "$count_before before, $count_after after"
sum_after=$(sqlite3 "$db" "SELECT sum($cents_sql) FROM $table")
# The sum the saves make: the whole table's before, each saved row's change added. A row whose
# last save went unanswered counts with the value it holds, checked above to be one of the two.
sum_expected=$(awk -v s="$sum_before" 'FILENAME == ARGV[1] {before[$1] = $2; next}
  FILENAME == ARGV[2] {have[$1] = $2; next}
  { s += have[$1] - before[$1] } END {printf "%.0f\n", s}' \
  "$work/before" "$work/after" "$work/expected")
check "sum of Amount (cents)" "$([[ $sum_after == "$sum_expected" ]] && echo 1 || echo 0)" \
  "$sum_before before, $sum_expected expected, $sum_after after"
echo "RSS samples (s kB): $(tr '\n' ' ' < "$work/rss")"
exit "$bad"
