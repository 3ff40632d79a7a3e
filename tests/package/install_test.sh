#!/usr/bin/env bash
# Korvex as a C++ developer gets it: `cmake --install` into a fresh prefix, then the separate
# project examples/embed found through find_package(Korvex) and built against that prefix, and
# run: it serves a real SQLite table over the HTTP server, read and written by requests.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR CMAKE CMAKE_GENERATOR CXX_COMPILER
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
cmake=$3
generator=$4
cxx=$5

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

prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log"

# The installed files name neither the build folder nor the sources, debug information included,
# by any of their spellings.
if found=$(grep -rlF -e "$build" -e "$source" -e "$(cd "$build" && pwd -P)" \
  -e "$(cd "$source" && pwd -P)" "$prefix"); then
  fail "installed files naming $build or $source:"$'\n'"$found"
fi

# The public headers came with every header they include, and none of the internals that
# would make a user find Boost or Duktape's headers.
headers=$prefix/include/korvex
for header in component/admin_recordset.h host/http/server.h korvex.h; do
  [ -f "$headers/$header" ] || fail "no $header under $headers"
done
if found=$(grep -rlE '#include <(boost/|duktape)' "$headers"); then
  fail "installed headers that include Boost or Duktape:"$'\n'"$found"
fi
pc=$(find "$prefix" -name korvex.pc)
[ -n "$pc" ] || fail "no korvex.pc installed"
export PKG_CONFIG_PATH
PKG_CONFIG_PATH=$(dirname "$pc")
# Every installed header in one program linked by pkg-config's flags alone; it registers every
# class and makes a page-script runner, which takes in SQLite and Duktape.
{
  (cd "$headers" && find . -name '*.h' | sort | sed 's|^\./\(.*\)$|#include "\1"|')
  echo 'int main() { korvex::RegisterAllClasses(); korvex::script::ScriptPageRunner runner; }'
} >"$work/all.cpp"
# shellcheck disable=SC2046  # pkg-config's flags are meant to be split
"$cxx" -std=c++20 -o "$work/all" "$work/all.cpp" $(pkg-config --cflags --libs korvex) ||
  fail "the installed headers do not compile, or do not link, with pkg-config's flags"
"$work/all" || fail "the program linked by pkg-config's flags does not run"

# The example, configured as a separate project against the prefix only.
"$cmake" -S "$source/examples/embed" -B "$work/embed" -G "$generator" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$prefix" >"$work/configure.log" || {
  cat "$work/configure.log"
  fail "examples/embed does not configure against the installed package"
}
"$cmake" --build "$work/embed" >"$work/build.log" 2>&1 || {
  cat "$work/build.log"
  fail "examples/embed does not build against the installed package"
}
if grep -q "warning:" "$work/build.log"; then
  cat "$work/build.log"
  fail "the example or an installed header warns"
fi

sqlite3 "$work/shop.db" "CREATE TABLE Products (ID INTEGER PRIMARY KEY, Name TEXT NOT NULL,
  Price REAL); INSERT INTO Products (Name, Price) VALUES ('Lamp <brass>', 12.5), ('Chair', 40);"
"$work/embed/table_admin" "$work/shop.db" Products 0 >"$work/url.txt" 2>"$work/server.log" &
server=$!
for _ in $(seq 100); do
  grep -q '^http://' "$work/url.txt" && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
url=$(head -n1 "$work/url.txt")
[[ "$url" =~ ^http://127\.0\.0\.1:[0-9]+/$ ]] || {
  cat "$work/server.log"
  fail "the example did not start: '$url'"
}

list=$(curl -sS --fail "$url") || fail "GET $url"
grep -qF "Lamp &lt;brass&gt;" <<<"$list" || fail "the list does not show the first row: $list"
grep -qF "Chair" <<<"$list" || fail "the list does not show the second row: $list"

# The add form, then its post to the address the form names.
form=$(curl -sS --fail "${url}add.ksp") || fail "GET ${url}add.ksp"
action=$(grep -oE "ACTION='[^']*'" <<<"$form" | head -n1 | sed "s/^ACTION='//; s/'$//" || true)
[[ "$action" == /add.ksp\?* ]] || fail "the add form posts to '$action': $form"
grep -qF "name='NuovoRecordKorVex' value='TRUE'" <<<"$form" && grep -qF "name='Name'" <<<"$form" ||
  fail "add.ksp is not the form adding a record: $form"
curl -sS --fail -o "$work/result.html" --data-urlencode "NuovoRecordKorVex=TRUE" \
  --data-urlencode "ID=" --data-urlencode "Name=Desk & co" --data-urlencode "Price=99.5" \
  "${url%/}$action" || fail "the post of the add form failed"
added=$(sqlite3 "$work/shop.db" "SELECT Price FROM Products WHERE Name = 'Desk & co'")
[ "$added" = "99.5" ] ||
  fail "the posted record is not in the table ('$added'): $(cat "$work/result.html")"
list=$(curl -sS --fail "$url") || fail "GET $url"
grep -qF "Desk &amp; co" <<<"$list" || fail "the list does not show the added row: $list"

kill -TERM "$server"
status=0
wait "$server" || status=$?
server=""
[ "$status" -eq 0 ] || fail "the example ended with status $status after SIGTERM"
echo "installed package, example and pkg-config file work"
