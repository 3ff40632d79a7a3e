#!/usr/bin/env bash
# Load on `korvex serve`: starts the built binary on a free loopback port, runs wrk against
# 127.0.0.1 only, for a bounded time per path, and prints requests per second and the 99th
# percentile latency of each path.
#
#   bench/load_serve.sh                      a small generated site: a static file and a page
#   SITE=dir bench/load_serve.sh /a.ksp ...  an existing site folder and the paths to load
#
# Environment: KORVEX_BIN (default build/app/korvex), DURATION in seconds (default 30, at most
# 60), CONNECTIONS (default 16, at most 256), THREADS for wrk (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."

bin=${KORVEX_BIN:-build/app/korvex}
duration=${DURATION:-30}
connections=${CONNECTIONS:-16}
threads=${THREADS:-2}
[[ "$duration" =~ ^[0-9]+$ ]] && (( duration >= 1 && duration <= 60 )) || { echo "DURATION: 1 to 60" >&2; exit 2; }
[[ "$connections" =~ ^[0-9]+$ ]] && (( connections >= 1 && connections <= 256 )) || { echo "CONNECTIONS: 1 to 256" >&2; exit 2; }
[[ -x "$bin" ]] || { echo "no korvex binary at $bin (build first, or set KORVEX_BIN)" >&2; exit 2; }
command -v wrk >/dev/null || { echo "wrk is not installed (scripts/install-deps.sh)" >&2; exit 2; }

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

if [[ -n "${SITE:-}" ]]; then
  site=$SITE
else
  site=$work/site
  mkdir -p "$site"
  head -c 2048 /dev/zero | tr '\0' 'x' > "$site/static.txt"
  cat > "$site/page.ksp" <<'KSP'
<html><body><% for (var i = 0; i < 10; i++) { %><p><%= i * i %></p><% } %></body></html>
KSP
fi
paths=("$@")
[[ ${#paths[@]} -gt 0 ]] || paths=(/static.txt /page.ksp)

"$bin" serve --root "$site" --port 0 2> "$work/server.log" &
server_pid=$!
port=""
for _ in $(seq 100); do
  port=$(grep -o 'http://127\.0\.0\.1:[0-9]*' "$work/server.log" | head -1 | sed 's/.*://' || true)
  [[ -n "$port" ]] && break
  kill -0 "$server_pid" 2>/dev/null || { cat "$work/server.log" >&2; exit 1; }
  sleep 0.1
done
[[ -n "$port" ]] || { echo "the server did not start" >&2; cat "$work/server.log" >&2; exit 1; }

printf '%-40s %12s %10s\n' path requests/s p99
for path in "${paths[@]}"; do
  out=$(wrk -t"$threads" -c"$connections" -d"${duration}s" --latency "http://127.0.0.1:${port}${path}")
  rps=$(awk '/^Requests\/sec:/ {print $2}' <<<"$out")
  p99=$(awk '$1 == "99%" {print $2}' <<<"$out")
  errors=$(awk '/Non-2xx|Socket errors/' <<<"$out")
  printf '%-40s %12s %10s\n' "$path" "$rps" "$p99"
  [[ -z "$errors" ]] || echo "  $errors"
done
