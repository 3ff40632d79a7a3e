#!/usr/bin/env bash
# Configures and builds Korvex into build/ (Release with debug info); extra arguments go to
# CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build -j2
