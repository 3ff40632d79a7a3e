#!/usr/bin/env bash
# The Debian package of the program: made by `cpack -G DEB`, unpacked by dpkg-deb into a scratch
# root (nothing is installed on this machine) and its program run from there, far from the tree:
# the built-in site and the HTML editor's files must travel inside it.
# Usage: deb_test.sh BUILD_DIR VERSION CPACK
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2
cpack=$3

work=$(mktemp -d)
server=""
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  fail "cpack -G DEB failed"
}
deb=$work/out/korvex_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb") in: $(ls "$work/out")"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libsqlite3-0 libduktape; do
  grep -qF "$library" <<<"$depends" || fail "Depends does not name $library: $depends"
done
contents=$(dpkg-deb -c "$deb")
grep -qE ' \./usr/bin/korvex$' <<<"$contents" || fail "no /usr/bin/korvex in: $contents"
if grep -qE '\.(h|a|pc|cmake)$' <<<"$contents"; then
  fail "the program's package carries the library's files: $contents"
fi

root=$work/root
dpkg-deb -x "$deb" "$root"
korvex=$root/usr/bin/korvex
[ "$("$korvex" --version)" = "korvex $version" ] || fail "korvex --version: $("$korvex" --version)"
help=$("$korvex" serve --help) || fail "korvex serve --help ends in failure"
grep -qF -- "--allow-origin ORIGIN" <<<"$help" || fail "korvex serve --help: $help"
help=$("$korvex" cgi --help) || fail "korvex cgi --help ends in failure"
grep -qF "GATEWAY_INTERFACE" <<<"$help" || fail "korvex cgi --help: $help"

# Served from an empty folder with a state folder of its own: the demo database is created,
# the site's pages and the editor's files come out of the program.
mkdir "$work/run"
(cd "$work/run" && exec env KORVEX_STATE_DIR="$work/state" "$korvex" serve --port 0 \
  2>"$work/serve.log") &
server=$!
url=""
for _ in $(seq 100); do
  url=$(grep -oE 'http://127\.0\.0\.1:[0-9]+/' "$work/serve.log" | head -n1 || true)
  [ -n "$url" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
[ -n "$url" ] || fail "korvex serve did not start: $(cat "$work/serve.log")"
page=$(curl -sS --fail "$url") || fail "GET $url"
grep -qF "Products" <<<"$page" || fail "the home page does not list the demo tables: $page"
page=$(curl -sS --fail "${url}table.ksp?RecordsetKorVex=Products") || fail "GET the list"
grep -qF "Products" <<<"$page" || fail "the editing list of Products: $page"
curl -sS --fail -o /dev/null "${url}KorVex/HTML_Editor/instable.htm" ||
  fail "the HTML editor's files are not served"
kill -TERM "$server"
status=0
wait "$server" || status=$?
server=""
[ "$status" -eq 0 ] || fail "korvex serve ended with status $status after SIGTERM"
echo "the package builds, declares its libraries and its program runs"
