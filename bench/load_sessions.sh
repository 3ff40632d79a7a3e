#!/usr/bin/env bash
# Memory of `korvex serve` under a flood of new sessions: a page that stores a session value is
# requested without cookies, so every request makes a new session, and the store's bound
# (--max-sessions) is all that keeps memory flat. Starts the built binary on a free loopback
# port, sends the requests with wrk to 127.0.0.1 only, in rounds, and prints the server's
# resident memory (VmRSS) at the start, after each round and the ratio of the last to the first
# round (after the first round the store is full, so from there memory should stay flat).
# Sessions themselves are observed through the page: the first visitor's session must be gone
# (dropped as the longest idle) while the last visitor's is still there.
#
#   bench/load_sessions.sh
#
# Environment: KORVEX_BIN (default build/app/korvex), REQUESTS (default 100000, at most
# 1000000), ROUNDS (default 5), MAX_SESSIONS (default 10000), CONNECTIONS (default 16),
# THREADS for wrk (default 2), VALUE_BYTES stored per session (default 512).
set -euo pipefail
source "$(dirname "$0")/serve_start.sh"
cd "$(dirname "$0")/.."

bin=$(realpath -m "${KORVEX_BIN:-build/app/korvex}")
requests=${REQUESTS:-100000}
rounds=${ROUNDS:-5}
max_sessions=${MAX_SESSIONS:-10000}
connections=${CONNECTIONS:-16}
threads=${THREADS:-2}
value_bytes=${VALUE_BYTES:-512}
[[ "$requests" =~ ^[0-9]+$ ]] && (( requests >= 1000 && requests <= 1000000 )) || { echo "REQUESTS: 1000 to 1000000" >&2; exit 2; }
[[ "$rounds" =~ ^[0-9]+$ ]] && (( rounds >= 1 && rounds <= 20 )) || { echo "ROUNDS: 1 to 20" >&2; exit 2; }
[[ "$max_sessions" =~ ^[0-9]+$ ]] && (( max_sessions >= 1 )) || { echo "MAX_SESSIONS: a positive number" >&2; exit 2; }
[[ "$connections" =~ ^[0-9]+$ ]] && (( connections >= 1 && connections <= 256 )) || { echo "CONNECTIONS: 1 to 256" >&2; exit 2; }
[[ "$threads" =~ ^[0-9]+$ ]] && (( threads >= 1 && threads <= connections )) || { echo "THREADS: 1 to CONNECTIONS" >&2; exit 2; }
[[ "$value_bytes" =~ ^[0-9]+$ ]] && (( value_bytes <= 65536 )) || { echo "VALUE_BYTES: 0 to 65536" >&2; exit 2; }
[[ -x "$bin" ]] || { echo "no korvex binary at $bin (build first, or set KORVEX_BIN)" >&2; exit 2; }
command -v wrk >/dev/null || { echo "wrk is not installed (scripts/install-deps.sh)" >&2; exit 2; }
command -v curl >/dev/null || { echo "curl is not installed (scripts/install-deps.sh)" >&2; exit 2; }

work=$(mktemp -d)
server_pid="" wrk_pid=""
cleanup() {
  [[ -z "$wrk_pid" ]] || kill -INT "$wrk_pid" 2>/dev/null || true
  if [[ -n "$server_pid" ]] && kill -0 "$server_pid" 2>/dev/null; then
    kill -TERM "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# The page keeps a visit count and a value of VALUE_BYTES in the session, and prints the count:
# 1 for a new session, more when the cookie found the session again.
mkdir -p "$work/site"
cat > "$work/site/visit.ksp" <<KSP
<%
var visits = Session("Visits") ? Session("Visits") + 1 : 1;
Session["Visits"] = visits;
if (!Session("Payload")) Session["Payload"] = new Array($value_bytes + 1).join("x");
%>visits=<%= visits %>
KSP

# wrk runs for a duration: each of its threads stops itself after its share of responses, and
# wrk is interrupted (it then prints its figures) once the server has logged them all.
per_thread=$(( (requests / rounds + threads - 1) / threads ))
cat > "$work/stop.lua" <<LUA
local answered = 0
response = function()
  answered = answered + 1
  if answered >= $per_thread then wrk.thread:stop() end
end
LUA

start_server "$work" "$bin" --root "$work/site" --max-sessions "$max_sessions" --threads 4
url="http://127.0.0.1:${port}/visit.ksp"

rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$server_pid/status"; }
# One visit with curl keeping cookies in the jar $1: prints the page's visit count.
visit() { curl -s -b "$1" -c "$1" "$url" | sed -n 's/^visits=//p'; }

visit "$work/first.jar" >/dev/null
start=$(rss_kb)
printf '%-28s %12s %10s %10s\n' "" requests requests/s "RSS kB"
printf '%-28s %12s %10s %10s\n' "server started, 1 session" 1 "" "$start"
sent=0
first_round=""
for round in $(seq "$rounds"); do
  logged=$(wc -l < "$work/server.log")
  wrk -t"$threads" -c"$connections" -d600s -s "$work/stop.lua" "$url" > "$work/wrk.out" &
  wrk_pid=$!
  while kill -0 "$wrk_pid" 2>/dev/null &&
        (( $(wc -l < "$work/server.log") - logged < per_thread * threads )); do
    sleep 0.1
  done
  kill -INT "$wrk_pid" 2>/dev/null || true
  wait "$wrk_pid" || true
  out=$(cat "$work/wrk.out")
  n=$(awk '/requests in/ {print $1}' <<<"$out")
  rps=$(awk '/^Requests\/sec:/ {print $2}' <<<"$out")
  bad=$(awk '/^  Socket errors:/ {gsub(",", ""); n += $4 + $6 + $8 + $10}
             /^  Non-2xx or 3xx responses:/ {n += $5} END {print n + 0}' <<<"$out")
  (( bad == 0 )) || { echo "round $round: $bad requests failed" >&2; echo "$out" >&2; exit 1; }
  sent=$(( sent + n ))
  rss=$(rss_kb)
  [[ -n "$first_round" ]] || first_round=$rss
  printf '%-28s %12s %10s %10s\n' "after round $round" "$sent" "$rps" "$rss"
done

# The first visitor idled longest and was dropped; a visitor from just now is still known.
visit "$work/last.jar" >/dev/null
first_again=$(visit "$work/first.jar")
last_again=$(visit "$work/last.jar")
echo
echo "first visitor's session after the flood: $([[ $first_again == 1 ]] && echo dropped || echo "kept (visits=$first_again)")"
echo "a recent visitor's session:              $([[ $last_again == 2 ]] && echo kept || echo "lost (visits=$last_again)")"
awk -v a="$start" -v b="$first_round" -v c="$(rss_kb)" 'BEGIN {
  printf "RSS end/start %.2f, end/after round 1 %.2f\n", c / a, c / b }'
[[ $first_again == 1 && $last_again == 2 ]]
