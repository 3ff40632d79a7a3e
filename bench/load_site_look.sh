#!/usr/bin/env bash
# The built-in site's restyled list (header, table links, message area, export links, skins
# with classes) against the plain editing list of the same table: a page of its own that only
# runs DoEditingList with the component's defaults. Both on the demo database's Products,
# each under `wrk` through bench/load_serve.sh, one after the other; prints both and the
# ratio restyled / plain. The plain page does less than any site list (no table check, no
# file or form declarations), so the target (>= 0.9) is against BASELINE_BIN's list.
#
#   bench/load_site_look.sh        KORVEX_BIN defaults to build/app/korvex
#
# Environment: KORVEX_BIN, DURATION (default 15), CONNECTIONS (default 8), BASELINE_BIN: a
# korvex binary built before the restyle; when set, its /table.ksp on the same database is
# loaded too and the ratio restyled / baseline printed (target >= 0.9).
set -euo pipefail
cd "$(dirname "$0")/.."

export KORVEX_BIN=${KORVEX_BIN:-build/app/korvex}
export DURATION=${DURATION:-15} CONNECTIONS=${CONNECTIONS:-8} THREADS=2
bin=$(realpath -m "$KORVEX_BIN")
[[ -x "$bin" ]] || { echo "no korvex binary at $bin (build first, or set KORVEX_BIN)" >&2; exit 2; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# The demo database, as `korvex serve` creates it on its first run.
(cd "$scratch" && timeout 20 "$bin" serve --port 0 2>"$scratch/first.log" & sleep 3; kill %1 2>/dev/null || true; wait) || true
db=$scratch/korvex-demo.db
[[ -f "$db" ]] || { echo "the demo database was not created" >&2; cat "$scratch/first.log" >&2; exit 1; }

mkdir -p "$scratch/plain"
cat > "$scratch/plain/plain.ksp" <<KSP
<%
var K = Server.CreateObject("Korvex.AdminRecordset");
K.ConnectionString = "Provider=SQLite;Data Source=$db";
K.recordset = "Products";
%><!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Products</title></head>
<body><% K.DoEditingList(); %></body></html>
KSP

rps() { awk -v p="$1" '$1 == p {print $2}'; }
restyled_out=$(SERVE_ARGS="--db $db" bench/load_serve.sh "/table.ksp?RecordsetKorVex=Products")
plain_out=$(SITE="$scratch/plain" bench/load_serve.sh "/plain.ksp")
echo "$restyled_out"
echo "$plain_out"
restyled=$(rps "/table.ksp?RecordsetKorVex=Products" <<<"$restyled_out")
plain=$(rps "/plain.ksp" <<<"$plain_out")
awk -v r="$restyled" -v p="$plain" 'BEGIN {printf "restyled / plain page requests per second: %.2f\n", r / p}'
if [[ -n "${BASELINE_BIN:-}" ]]; then
  baseline_out=$(KORVEX_BIN="$BASELINE_BIN" SERVE_ARGS="--db $db" bench/load_serve.sh "/table.ksp?RecordsetKorVex=Products")
  echo "$baseline_out"
  baseline=$(rps "/table.ksp?RecordsetKorVex=Products" <<<"$baseline_out")
  awk -v r="$restyled" -v b="$baseline" 'BEGIN {printf "restyled / baseline site list requests per second: %.2f (target >= 0.9)\n", r / b}'
fi
