#!/usr/bin/env bash
# Load on `korvex serve`: starts the built binary on a free loopback port, runs wrk against
# 127.0.0.1 only, for a bounded time per path, and prints requests per second and the 99th
# percentile latency of each path.
#
#   bench/load_serve.sh                      a small generated site: a static file and a page
#   SITE=dir bench/load_serve.sh /a.ksp ...  an existing site folder and the paths to load
#   SERVE_ARGS="--db x.db" bench/load_serve.sh /table.ksp?...
#                                            the built-in site with these `korvex serve`
#                                            arguments (set but empty: the demo database,
#                                            created in a scratch folder)
#
# Environment: KORVEX_BIN (default build/app/korvex), DURATION in seconds (default 30, at most
# 60), CONNECTIONS (default 16, at most 256), THREADS for wrk (default 2). Besides requests per
# second and the 99th percentile, each line shows the requests that failed (socket errors and
# answers other than 2xx or 3xx) and the server's resident memory after the run; the first
# line gives it before any load.
set -euo pipefail
source "$(dirname "$0")/serve_start.sh"
cd "$(dirname "$0")/.."

bin=$(realpath -m "${KORVEX_BIN:-build/app/korvex}")
duration=${DURATION:-30}
connections=${CONNECTIONS:-16}
threads=${THREADS:-2}
[[ "$duration" =~ ^[0-9]+$ ]] && (( duration >= 1 && duration <= 60 )) || { echo "DURATION: 1 to 60" >&2; exit 2; }
[[ "$connections" =~ ^[0-9]+$ ]] && (( connections >= 1 && connections <= 256 )) || { echo "CONNECTIONS: 1 to 256" >&2; exit 2; }
[[ -x "$bin" ]] || { echo "no korvex binary at $bin (build first, or set KORVEX_BIN)" >&2; exit 2; }
command -v wrk >/dev/null || { echo "wrk is not installed (scripts/install-deps.sh)" >&2; exit 2; }
command -v curl >/dev/null || { echo "curl is not installed (scripts/install-deps.sh)" >&2; exit 2; }

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

if [[ -n "${SERVE_ARGS+set}" ]]; then
  read -r -a serve_args <<<"$SERVE_ARGS"
elif [[ -n "${SITE:-}" ]]; then
  serve_args=(--root "$SITE")
else
  site=$work/site
  mkdir -p "$site"
  head -c 2048 /dev/zero | tr '\0' 'x' > "$site/static.txt"
  cat > "$site/page.ksp" <<'KSP'
<html><body><% for (var i = 0; i < 10; i++) { %><p><%= i * i %></p><% } %></body></html>
KSP
  serve_args=(--root "$site")
fi
paths=("$@")
[[ ${#paths[@]} -gt 0 ]] || paths=(/static.txt /page.ksp)

start_server "$work" "$bin" "${serve_args[@]}"

rss() { awk '/^VmRSS:/ {print $2 " kB"}' "/proc/$server_pid/status"; }

printf '%-60s %12s %10s %8s %12s\n' path requests/s p99 failed "RSS after"
printf '%-60s %12s %10s %8s %12s\n' "(server started)" "" "" "" "$(rss)"
for path in "${paths[@]}"; do
  # One request first, as a browser makes: the session cookie it may set is sent by every
  # request of the run, so the run measures one visitor's pages, not a flood of new sessions.
  cookie=$(curl -s -o /dev/null -D - "http://127.0.0.1:${port}${path}" |
           awk -F'[:;] *' 'tolower($1) == "set-cookie" {print $2}')
  out=$(wrk -t"$threads" -c"$connections" -d"${duration}s" --latency ${cookie:+-H "Cookie: $cookie"} \
        "http://127.0.0.1:${port}${path}")
  rps=$(awk '/^Requests\/sec:/ {print $2}' <<<"$out")
  p99=$(awk '$1 == "99%" {print $2}' <<<"$out")
  # "Socket errors: connect 0, read 0, write 0, timeout 0" and "Non-2xx or 3xx responses: N"
  failed=$(awk '/^  Socket errors:/ {gsub(",", ""); n += $4 + $6 + $8 + $10}
                /^  Non-2xx or 3xx responses:/ {n += $5} END {print n + 0}' <<<"$out")
  printf '%-60s %12s %10s %8s %12s\n' "$path" "$rps" "$p99" "$failed" "$(rss)"
done
