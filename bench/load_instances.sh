#!/usr/bin/env bash
# What several instances cost: the built-in site's editing list of the 1,000,000-row customers
# table on a PostgreSQL server, served by one `korvex serve` directly and by two instances
# behind nginx (deploy/nginx-two-instances.conf), side by side with the same wrk shape
# (-t2 -c8); then what keeping sessions in PostgreSQL costs a request that writes a session
# value, against the memory store (one connection, so the difference is per request).
#
#   KORVEX_BENCH_POSTGRES="Provider=PostgreSQL;Host=...;Port=...;Database=...;User ID=..." \
#     bench/load_instances.sh
#
# KORVEX_BENCH_POSTGRES falls back to KORVEX_TEST_POSTGRES. Environment: KORVEX_BIN (default
# build/app/korvex), DURATION per run in seconds (default 20).
set -euo pipefail
cd "$(dirname "$0")/.."

bin=$(realpath -m "${KORVEX_BIN:-build/app/korvex}")
duration=${DURATION:-20}
server=${KORVEX_BENCH_POSTGRES:-${KORVEX_TEST_POSTGRES:-}}
[[ -n "$server" ]] || { echo "name a server in KORVEX_BENCH_POSTGRES" >&2; exit 2; }
[[ -x "$bin" ]] || { echo "no korvex binary at $bin (build first, or set KORVEX_BIN)" >&2; exit 2; }
for tool in psql wrk nginx curl; do
  command -v $tool >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh)" >&2; exit 2; }
done
source bench/postgres_customers.sh
ensure_customers Customers1m:1000000

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export KORVEX_STATE_DIR=$work/state

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wait_port() {
  for _ in $(seq 200); do curl -s -o /dev/null "http://127.0.0.1:$1/" && return 0; sleep 0.05; done
  echo "nothing answers on port $1" >&2; exit 1
}
# korvex serve PORT ARGS...: started in the background, waited for.
serve() {
  local port=$1; shift
  "$bin" serve --port "$port" --threads 4 "$@" >>"$work/korvex.log" 2>&1 &
  pids+=($!)
  wait_port "$port"
}
# rate PORT PATH CONNECTIONS THREADS: requests per second of a wrk run, one visitor's cookie.
rate() {
  local cookie
  cookie=$(curl -s -o /dev/null -D - "http://127.0.0.1:$1$2" |
           awk -F'[:;] *' 'tolower($1) == "set-cookie" {print $2}')
  wrk -t"$4" -c"$3" -d"${duration}s" ${cookie:+-H "Cookie: $cookie"} "http://127.0.0.1:$1$2" |
    awk '/^Requests\/sec:/ {print $2} /Non-2xx/ {print "failed requests: " $0 > "/dev/stderr"; bad = 1}
         END {exit bad}'
}

site="${server//User ID=/UID=};search_path=korvex_load"
list="/table.ksp?RecordsetKorVex=Customers1m"
direct=$(free_port) one=$(free_port) two=$(free_port) proxy=$(free_port)
serve "$direct" --connection "$site"
serve "$one" --connection "$site" --sessions "$server" --trusted-proxy 127.0.0.2
serve "$two" --connection "$site" --sessions "$server" --trusted-proxy 127.0.0.2

mkdir -p "$work/nginx/logs" "$work/nginx/temp"
sed -e "s/127.0.0.1:8080/127.0.0.1:$proxy/" -e "s/127.0.0.1:8081/127.0.0.1:$one/" \
    -e "s/127.0.0.1:8082/127.0.0.1:$two/" -e "s|access_log logs/access.log;|access_log off;|" \
    deploy/nginx-two-instances.conf >"$work/nginx/nginx.conf"
user=""; [[ $(id -u) -eq 0 ]] && user="user root;"
nginx -p "$work/nginx/" -c "$work/nginx/nginx.conf" \
      -g "daemon off; pid nginx.pid; error_log logs/error.log; $user" &
pids+=($!)
wait_port "$proxy"

echo "== the list page of Customers1m, wrk -t2 -c8 -d${duration}s"
direct_rate=$(rate "$direct" "$list" 8 2)
proxy_rate=$(rate "$proxy" "$list" 8 2)
printf '%-40s %10s requests/s\n' "one instance, directly" "$direct_rate" \
       "two instances behind nginx" "$proxy_rate"
awk -v a="$proxy_rate" -v b="$direct_rate" 'BEGIN {printf "ratio (proxied / direct): %.2f\n", a / b}'

echo "== a page writing a session value, wrk -t1 -c1 -d${duration}s"
mkdir -p "$work/pages"
cat >"$work/pages/count.ksp" <<'KSP'
<% Session["n"] = Number(Session("n") || 0) + 1; %><%= Session("n") %>
KSP
memory=$(free_port) stored=$(free_port)
serve "$memory" --root "$work/pages"
serve "$stored" --root "$work/pages" --sessions "$server"
memory_rate=$(rate "$memory" /count.ksp 1 1)
stored_rate=$(rate "$stored" /count.ksp 1 1)
printf '%-40s %10s requests/s\n' "sessions in memory" "$memory_rate" \
       "sessions in PostgreSQL" "$stored_rate"
awk -v m="$memory_rate" -v s="$stored_rate" \
    'BEGIN {printf "PostgreSQL store: %.3f ms more per request\n", 1000 / s - 1000 / m}'
