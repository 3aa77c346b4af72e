#!/usr/bin/env bash
# Builds the host, host-asan and win32 presets and runs every test of each; the win32 tests
# run under Wine with code page 932. Then a short run of every fuzz target. Ends with one
# summary line.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh

jobs=$(nproc)
summary=()

count_cases() {  # the test cases GoogleTest ran, from its XML reports
  local dir=$1 total=0 n
  for report in "$dir"/*.xml; do
    [ -f "$report" ] || continue
    n=$(grep -o '<testsuites [^>]*tests="[0-9]*"' "$report" | grep -o 'tests="[0-9]*"' | grep -o '[0-9]*' || echo 0)
    total=$((total + n))
  done
  echo "$total"
}

run_preset() {
  local preset=$1 build="$root/build/$1"
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  echo "=== $preset: tests"
  rm -rf "$build/gtest-results"
  local reports="$build/gtest-results/"
  # Windows programs under Wine see the host's root as drive Z:.
  [ "$preset" != win32 ] || reports="Z:$(printf '%s' "$reports" | tr / '\\')"
  GTEST_OUTPUT="xml:$reports" ctest --preset "$preset" -j"$jobs"
  summary+=("$preset $(count_cases "$build/gtest-results") cases")
}

run_preset host
run_preset host-asan

# One Wine prefix and one long-lived server for all Windows test programs.
export OC_WINEPREFIX="$root/build/win32/wineprefix"
bash scripts/wine-prefix.sh "$OC_WINEPREFIX"
trap 'WINEPREFIX=$OC_WINEPREFIX wineserver -k 2>/dev/null || true' EXIT
run_preset win32

# Every fuzz target for about a minute; a finding fails the run.
OC_DEPS_INSTALLED=1 bash scripts/fuzz.sh short
summary+=("fuzz $(cat "$root/build/fuzz/logs/summary")")

joined=$(printf '%s, ' "${summary[@]}")
echo "ALL TESTS PASSED: ${joined%, }"
