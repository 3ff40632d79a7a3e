#!/usr/bin/env bash
# Installs the Debian packages Korvex builds, tests and benchmarks with. Safe to run again:
# it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  dpkg-dev  # dpkg-shlibdeps: the Debian package's dependencies (cpack -G DEB)
  libsqlite3-dev sqlite3
  duktape-dev
  libboost1.81-dev
  libpq-dev postgresql
  libfcgi-dev  # korvex fastcgi
  nginx  # the web server in front of korvex fastcgi and of several instances (end-to-end tests)
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libexpat1-dev
  wrk curl python3
  clang libclang-rt-dev  # sanitizer builds and the fuzzers (libFuzzer)
  chromium
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Node.js for the browser tests: any one already installed serves (npm comes with it).
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends nodejs npm
fi

# playwright-core drives Debian's chromium; it never downloads a browser of its own.
browser_tests="$(dirname "$0")/../tests/browser"
if [ ! -d "$browser_tests/node_modules/playwright-core" ]; then
  (cd "$browser_tests" && npm ci --no-audit --no-fund --loglevel=error)
fi
