#!/usr/bin/env bash
# The main job. Builds Korvex, then runs the sample page examples/hello.ksp once through the
# CGI program and prints its output. (This becomes `korvex serve` on the demo database as soon
# as the HTTP server and the administration site are in.)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export KORVEX_STATE_DIR="${KORVEX_STATE_DIR:-$PWD/build/state}"
REQUEST_METHOD=GET QUERY_STRING='name=world' SCRIPT_NAME=/hello.ksp \
  SCRIPT_FILENAME="$PWD/examples/hello.ksp" ./build/app/korvex cgi
