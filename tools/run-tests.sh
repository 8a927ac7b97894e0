#!/bin/bash
# Installs what is missing, builds everything and runs every test with ctest.
# Usage: tools/run-tests.sh [build-folder [extra cmake arguments...]]
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
build="${1:-build}"
shift || true
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build" -j8
ctest --test-dir "$build" -j8 --output-on-failure --timeout 600
