#!/usr/bin/env bash
# Builds Korvex and runs the whole test suite with CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
cd build
ctest --output-on-failure -j2 --timeout 600
