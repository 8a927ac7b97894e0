#!/bin/bash
# Builds the libFuzzer targets with clang and runs each for a while.
# Usage: tools/fuzz-smoke.sh [seconds per target (default 60)] [build folder (default build-fuzz)]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${2:-build-fuzz}"
cmake -S . -B "$build" -DVEK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ > "$build.configure.log"
cmake --build "$build" -j8 --target fuzz_targets
for src in tests/fuzz/*_fuzz.cpp; do
  name=$(basename "$src" .cpp)
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  seeds="tests/fuzz/seeds/$name"
  [ -d "$seeds" ] || seeds=""
  echo "== $name: ${seconds}s"
  "$build/bin/$name" -max_total_time="$seconds" -print_final_stats=1 "$corpus" $seeds
done
