#!/usr/bin/env bash
# The built-in site's editing list (the demo shop's Customers) under load two ways in one run:
# through nginx and `korvex fastcgi` on a Unix socket (nginx configured from a copy of
# deploy/nginx-fastcgi.conf), and from `korvex serve` directly. Each gets `wrk -t2 -c8` for
# DURATION seconds against 127.0.0.1 only; prints requests per second, the 99th percentile,
# and the ratio of the two rates.
#
#   bench/load_fastcgi.sh          KORVEX_BIN defaults to build/app/korvex; DURATION to 10
set -euo pipefail
source "$(dirname "$0")/serve_start.sh"
cd "$(dirname "$0")/.."

bin=$(realpath -m "${KORVEX_BIN:-build/app/korvex}")
duration=${DURATION:-10}
nginx=/usr/sbin/nginx
[[ "$duration" =~ ^[0-9]+$ ]] && (( duration >= 1 && duration <= 60 )) || { echo "DURATION: 1 to 60" >&2; exit 2; }
[[ -x "$bin" ]] || { echo "no korvex binary at $bin (build first, or set KORVEX_BIN)" >&2; exit 2; }
[[ -x "$nginx" ]] || { echo "nginx is not installed (scripts/install-deps.sh)" >&2; exit 2; }
command -v wrk >/dev/null || { echo "wrk is not installed (scripts/install-deps.sh)" >&2; exit 2; }

work=$(mktemp -d)
server_pid="" fastcgi_pid="" nginx_pid=""
cleanup() {
  for pid in "$nginx_pid" "$fastcgi_pid" "$server_pid"; do
    if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
      kill -TERM "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  rm -rf "$work"
}
trap cleanup EXIT
export KORVEX_STATE_DIR=$work/state

# Both serve the same demo database, made by the first.
start_server "$work" "$bin"
(cd "$work" && exec "$bin" fastcgi --socket "$work/k.sock" 2> "$work/fastcgi.log") &
fastcgi_pid=$!
for _ in $(seq 100); do
  grep -q "over FastCGI on" "$work/fastcgi.log" && break
  sleep 0.1
done
grep -q "over FastCGI on" "$work/fastcgi.log" || { cat "$work/fastcgi.log" >&2; exit 1; }
site=$(sed -n 's/.*other files from //p' "$work/fastcgi.log")
nginx_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
sed -e "s|user www-data;|user $(id -un);|" -e "s|/run/korvex-nginx.pid|$work/nginx.pid|" \
    -e "s|/var/log/nginx/|$work/|" -e "s|/var/lib/nginx/|$work/nginx-|" \
    -e "s|/run/korvex/korvex.sock|$work/k.sock|" -e "s|listen 80;|listen 127.0.0.1:$nginx_port;|" \
    -e "s|/var/lib/korvex/site|$site|" -e "s|access_log [^;]*;|access_log off;|" \
    deploy/nginx-fastcgi.conf > "$work/nginx.conf"
"$nginx" -p "$work" -c "$work/nginx.conf" -e "$work/error.log" -g 'daemon off;' &
nginx_pid=$!
for _ in $(seq 100); do
  curl -s -o /dev/null "http://127.0.0.1:$nginx_port/" && break
  sleep 0.1
done

path="/table.ksp?RecordsetKorVex=Customers"
# Prints "RATE P99" of one run.
load() {
  local url=$1
  curl -fs -o /dev/null "$url" || { echo "no answer from $url" >&2; exit 1; }
  wrk -t2 -c8 -d"${duration}s" --latency "$url" > "$work/wrk.out"
  local rate p99
  rate=$(awk '/^Requests\/sec:/ {print $2}' "$work/wrk.out")
  p99=$(awk '$1 == "99%" {print $2}' "$work/wrk.out")
  grep -E "Non-2xx|Socket errors" "$work/wrk.out" >&2 || true
  echo "$rate $p99"
}
read -r fastcgi_rate fastcgi_p99 < <(load "http://127.0.0.1:$nginx_port$path")
read -r serve_rate serve_p99 < <(load "http://127.0.0.1:$port$path")
printf '%-28s %10s req/s  p99 %s\n' "nginx + korvex fastcgi" "$fastcgi_rate" "$fastcgi_p99"
printf '%-28s %10s req/s  p99 %s\n' "korvex serve" "$serve_rate" "$serve_p99"
awk -v f="$fastcgi_rate" -v s="$serve_rate" 'BEGIN { printf "fastcgi / serve: %.2f\n", f / s }'
