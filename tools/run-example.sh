#!/bin/bash
# Installs what is missing, builds the system and runs the example host program on a sample estimate.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j8
cmake --build build --target run_example
