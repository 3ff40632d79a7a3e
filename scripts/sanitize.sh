#!/usr/bin/env bash
# The checking builds, each in a folder of its own beside build/:
#   build-sanitize  clang with AddressSanitizer and UndefinedBehaviorSanitizer (any report
#                   stops the program), every file instrumented for libFuzzer: the whole test
#                   suite (the package tests aside), then every fuzzer for FUZZ_SECONDS each
#                   (default 8) on its seed corpus;
#   build-tsan      clang with ThreadSanitizer, only the server and the HTTP server's tests:
#                   those tests, then korvex serve under wrk (tests/tsan_load.sh: pages of the
#                   demo database, then list pages, edit forms, saves, searches and reports on
#                   four connections at once, LOAD_SECONDS each, default 10). Nothing is
#                   suppressed.
# KORVEX_TEST_POSTGRES is passed on as for scripts/test.sh.
#   scripts/sanitize.sh [address|thread]     one of the two builds; both when none is named
set -euo pipefail
cd "$(dirname "$0")/.."
step=${1:-all}
bash scripts/install-deps.sh
export CC=clang CXX=clang++

if [ "$step" = all ] || [ "$step" = address ]; then
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVEX_SANITIZE=address,undefined -DKORVEX_BUILD_FUZZERS=ON >/dev/null
cmake --build build-sanitize -j2
(
  cd build-sanitize
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  ctest --output-on-failure -j2 --timeout 900 -E '^Package\.'
)
bash tests/fuzz/run.sh "${FUZZ_SECONDS:-8}" build-sanitize
fi

[ "$step" = all ] || [ "$step" = thread ] || exit 0

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEX_SANITIZE=thread \
  -DKORVEX_BUILD_TESTS=ON >/dev/null
cmake --build build-tsan -j2 --target http_tests korvex_app
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
build-tsan/tests/http/http_tests
bash tests/tsan_load.sh build-tsan/app/korvex "${LOAD_SECONDS:-10}"
