#!/bin/bash
# Builds the libFuzzer targets with clang and runs each for a while, up to 8 at once (each its own corpus,
# log and temporary folder), so the whole run takes about as long as one target's.
# Usage: tools/fuzz-smoke.sh [seconds per target (default 60)] [build folder (default build-fuzz)]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${2:-build-fuzz}"
parallel=8
cmake -S . -B "$build" -DVEK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ > "$build.configure.log"
# The targets, and the libraries that the opening and the feedback load by name.
cmake --build "$build" -j8 --target fuzz_targets Pakkel CABINET dorvik_sql_ig

run_one() {
  local name="$1" seconds="$2" build="$3"
  local corpus="$build/corpus/$name" tmp="$build/fuzz-tmp/$name"
  mkdir -p "$corpus" "$tmp"
  local seeds="tests/fuzz/seeds/$name"
  [ -d "$seeds" ] || seeds=""
  if TMPDIR="$tmp" "$build/bin/$name" -max_total_time="$seconds" -print_final_stats=1 "$corpus" $seeds \
      > "$build/fuzz-$name.log" 2>&1; then
    echo "== $name: ${seconds}s, no finding"
  else
    echo "== $name: FAILED (log: $build/fuzz-$name.log)"
    tail -40 "$build/fuzz-$name.log"
    return 1
  fi
}
export -f run_one

names=()
for src in tests/fuzz/*_fuzz.cpp; do names+=("$(basename "$src" .cpp)"); done
printf '%s\n' "${names[@]}" | xargs -P "$parallel" -I{} bash -c 'run_one "$@"' _ {} "$seconds" "$build"
