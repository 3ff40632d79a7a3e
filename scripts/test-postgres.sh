#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests.
#
#   scripts/test-postgres.sh start DIR   creates a new cluster in DIR (an empty folder), starts it
#                                        on a free loopback port and prints the connection string
#                                        the tests read from KORVEX_TEST_POSTGRES
#   scripts/test-postgres.sh stop DIR    stops that server and deletes DIR
#
# The server refuses to run as root, so under root the cluster belongs to the postgres user the
# Debian package creates. Its data is thrown away afterwards: durability is turned off for speed,
# and every loopback client is trusted (nothing else can reach it).
set -euo pipefail

command="${1:-}"
dir="${2:-}"
if [ -z "$command" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi

bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "no PostgreSQL server found under /usr/lib/postgresql (scripts/install-deps.sh installs it)" >&2
  exit 1
fi

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

case "$command" in
  start)
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
    port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
    as_owner "$bin/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 \
      >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
      -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=off \
          -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
      >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    echo "Provider=PostgreSQL;Host=127.0.0.1;Port=$port;Database=postgres;User ID=postgres"
    ;;
  stop)
    if [ -d "$dir/data" ]; then
      as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
