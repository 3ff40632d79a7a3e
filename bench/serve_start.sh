# Sourced by the load scripts: starts `korvex serve` on a free port of 127.0.0.1 in the
# background and waits until it listens.
#   start_server WORK_DIR KORVEX_BINARY SERVE_ARGUMENTS...
# Sets server_pid and port; the server's log goes to WORK_DIR/server.log. The server runs in
# WORK_DIR, so a demo database it may create lands there and nowhere else.
start_server() {
  local work=$1 bin=$2
  shift 2
  (cd "$work" && exec "$bin" serve "$@" --port 0 2> "$work/server.log") &
  server_pid=$!
  port=""
  for _ in $(seq 100); do
    port=$(grep -o 'http://127\.0\.0\.1:[0-9]*' "$work/server.log" | head -1 | sed 's/.*://' || true)
    [[ -n "$port" ]] && return 0
    kill -0 "$server_pid" 2>/dev/null || { cat "$work/server.log" >&2; exit 1; }
    sleep 0.1
  done
  echo "the server did not start" >&2
  cat "$work/server.log" >&2
  exit 1
}
