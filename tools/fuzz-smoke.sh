#!/bin/bash
# Builds the libFuzzer targets with clang and runs each for a while, up to 8 at once (each its own corpus,
# log and temporary folder), so the whole run takes about as long as one target's.
# Usage: tools/fuzz-smoke.sh [seconds per target (default 60)] [build folder (default build-fuzz)]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${2:-build-fuzz}"
parallel=8
mkdir -p "$build"
build_abs=$(cd "$build" && pwd)

# libmspack's source from the Debian source package, so that the cabinet target runs its decoders instrumented
# (sanitizers and coverage). The package lists come from a private list of the configured mirror's deb-src
# entries, kept in the build folder: the system's apt configuration stays as it is. Without it (no network, no
# apt) the target runs on the system's library, and says so.
fetch_libmspack() {
  local into="$1" work="$build_abs/libmspack-fetch"
  [ -f "$into/mspack/cabd.c" ] && return 0
  command -v apt-get > /dev/null || return 1
  local uri keyring="/usr/share/keyrings/debian-archive-keyring.gpg" suite
  uri=$(awk '/^URIs:/ && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
  [ -n "$uri" ] || uri=$(awk '$1 == "deb" && $0 !~ /security/ {for (i = 2; i <= NF; i++) if ($i ~ /^https?:/) {print $i; exit}}' \
    /etc/apt/sources.list 2>/dev/null || true)
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$uri" ] && [ -n "$suite" ] || return 1
  rm -rf "$work" && mkdir -p "$work/lists/partial"
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\n' "$uri" "$suite" > "$work/src.sources"
  [ -f "$keyring" ] && printf 'Signed-By: %s\n' "$keyring" >> "$work/src.sources"
  local apt=(apt-get -q -o "Dir::Etc::SourceList=$work/src.sources" -o Dir::Etc::SourceParts=/nonexistent
             -o "Dir::State::Lists=$work/lists" -o APT::Sandbox::User=root)
  "${apt[@]}" update > "$work/update.log" 2>&1 || return 1
  # The version the system's headers are of, else the one the lists have.
  local version
  version=$(dpkg-query -W -f='${source:Version}' libmspack0 2>/dev/null || true)
  (cd "$work" && { "${apt[@]}" source --download-only "libmspack${version:+=$version}" ||
                   "${apt[@]}" source --download-only libmspack; }) > "$work/source.log" 2>&1 || return 1
  # With Debian's patches where dpkg-source is there, else the upstream tarball as it is.
  mkdir -p "$work/tree"
  if command -v dpkg-source > /dev/null; then
    (cd "$work" && dpkg-source -x libmspack_*.dsc tree/libmspack) > "$work/extract.log" 2>&1 || return 1
  else
    local tarball
    tarball=$(ls "$work"/libmspack_*.orig.tar.* 2>/dev/null | head -1)
    [ -n "$tarball" ] && tar -xf "$tarball" -C "$work/tree" || return 1
  fi
  local top
  top=$(dirname "$(ls "$work"/tree/*/mspack/cabd.c | head -1)")
  [ -f "$top/cabd.c" ] || return 1
  rm -rf "$into" && mv "$(dirname "$top")" "$into"
}
mspack_source="$build_abs/libmspack-src"
if fetch_libmspack "$mspack_source"; then
  echo "== libmspack: compiled from its Debian source package ($mspack_source)"
else
  echo "== libmspack: source package not to be had (see $build/libmspack-fetch/), the system's library is used"
  mspack_source=""
fi
cmake -S . -B "$build" -DVEK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEK_LIBMSPACK_SOURCE="$mspack_source" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ > "$build.configure.log"
# The targets, and the libraries that the opening and the feedback load by name.
cmake --build "$build" -j8 --target fuzz_targets Pakkel CABINET dorvik_sql_ig

run_one() {
  local name="$1" seconds="$2" build="$3"
  local corpus="$build/corpus/$name" tmp="$build/fuzz-tmp/$name"
  mkdir -p "$corpus" "$tmp"
  local seeds="tests/fuzz/seeds/$name"
  [ -d "$seeds" ] || seeds=""
  # A unit that takes longer than -timeout counts as a finding (a hang).
  if TMPDIR="$tmp" "$build/bin/$name" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 "$corpus" $seeds \
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
