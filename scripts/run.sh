#!/usr/bin/env bash
# The main job. Builds Korvex, then serves the built-in administration site on the demo shop
# database at http://127.0.0.1:8080/ until Ctrl-C. The demo database and its files/ folder
# are created in demo/ on the first run and reused afterwards; arguments go to `korvex serve`
# (for example --port 9000, or --db FILE for a database of your own).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export KORVEX_STATE_DIR="${KORVEX_STATE_DIR:-$PWD/build/state}"
mkdir -p demo
cd demo
exec ../build/app/korvex serve "$@"
