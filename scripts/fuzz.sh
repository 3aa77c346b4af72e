#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset, clang with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every target, at most two at a time.
#
#   bash scripts/fuzz.sh [short]         about a minute per target; scripts/test.sh runs this
#   bash scripts/fuzz.sh long [SECONDS]  every target for SECONDS each (600 when not given)
#   bash scripts/fuzz.sh coverage        line coverage of files/, text/ and tools/pak/ over the corpora
#
# Each target starts from its seeds (made at build time by the pack writer and the settings
# tables) and the inputs of past findings (fuzz/regressions/<target>/), and keeps what it
# learns in build/fuzz/corpus/<target>/. A crash, leak, timeout or out-of-memory input is
# kept in build/fuzz/findings/<target>/ and makes the script fail. OC_FUZZ_TARGETS (names
# apart by spaces) picks targets, OC_FUZZ_JOBS how many run at once (2).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
mode=${1:-short}
parallel=${OC_FUZZ_JOBS:-2}

case "$mode" in
  short) seconds=${OC_FUZZ_SECONDS:-60} ;;
  long) seconds=${2:-600} ;;
  coverage) ;;
  *) echo "usage: $0 [short | long [SECONDS] | coverage]" >&2; exit 2 ;;
esac

[ -n "${OC_DEPS_INSTALLED:-}" ] || bash scripts/install-deps.sh

work="$root/build/fuzz"
# The pack and pak targets write files in every run: memory is twice as fast as a disk.
scratch_root=$work/tmp
[ -w /dev/shm ] && scratch_root=/dev/shm

build() {  # preset
  echo "=== $1: configure and build"
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j"$parallel"
}

# The targets, one a line: name, longest input, allocation bound (MiB), dictionary; only
# those named in OC_FUZZ_TARGETS when it is set.
targets() {
  local wanted=" ${OC_FUZZ_TARGETS:-} "
  while IFS=$'\t' read -r name rest; do
    [ -z "${OC_FUZZ_TARGETS:-}" ] || [[ "$wanted" == *" $name "* ]] || continue
    printf '%s\t%s\n' "$name" "$rest"
  done <"$root/build/$1/fuzz/targets.tsv"
}

# The inputs a target starts from: its corpus, its seeds as the build made them, and past
# findings when there are any.
corpora() {  # name preset
  mkdir -p "$work/corpus/$1"
  echo "$work/corpus/$1" "$root/build/$2/fuzz/seeds/$1"
  [ -d "$root/fuzz/regressions/$1" ] && echo "$root/fuzz/regressions/$1"
  return 0
}

# One run holds at most four blocks of the allocation bound at once (a directory, an entry,
# its text and the text being rebuilt); 1 GiB more covers the sanitizer's runtime and its
# quarantine of freed blocks (256 MiB), and libFuzzer's corpus and tables.
rss_limit() { echo $((1024 + 4 * $1)); }

run_target() {  # name max_len limit dictionary seconds
  local name=$1 max_len=$2 limit=$3 dictionary=$4 seconds=$5
  local findings="$work/findings/$name" log="$work/logs/$name.log" scratch="$scratch_root/oc-fuzz-$$-$name"
  mkdir -p "$findings"
  rm -rf "$scratch" && mkdir -p "$scratch"
  local options=(-max_total_time="$seconds" -timeout=10 -max_len="$max_len" -malloc_limit_mb="$limit"
                 -rss_limit_mb="$(rss_limit "$limit")" -artifact_prefix="$findings/" -print_final_stats=1)
  [ -z "$dictionary" ] || options+=(-dict="$dictionary")
  # Allocations above the bound come from sizes an input declares: the allocator refuses them
  # as the system's no-throw allocations expect, and says so on every refusal (left out).
  local status=0
  TMPDIR="$scratch" \
  ASAN_OPTIONS="allocator_may_return_null=1:max_allocation_size_mb=$limit:detect_leaks=1" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "$work/fuzz/fuzz_$name" "${options[@]}" $(corpora "$name" fuzz) </dev/null 2>&1 \
    | grep -v 'failed to allocate' >"$log" || status=$?
  echo "$status" >"$work/logs/$name.status"
  rm -rf "$scratch"
}

# Runs every target, $parallel at a time, then reports each and fails on any finding.
fuzz_all() {  # seconds
  build fuzz
  rm -rf "$work/logs"
  mkdir -p "$work/logs"
  echo "=== fuzz: every target for $1 s, $parallel at a time"
  while IFS=$'\t' read -r name max_len limit dictionary; do
    while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
    run_target "$name" "$max_len" "$limit" "$dictionary" "$1" &
  done < <(targets fuzz)
  wait

  local failed=0 ran=0 total=0
  while IFS=$'\t' read -r name _; do
    local log="$work/logs/$name.log"
    local runs coverage
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
    ran=$((ran + 1)) total=$((total + runs))
    coverage=$(grep -o 'cov: [0-9]* ft: [0-9]* corp: [0-9]*/[0-9]*[a-zA-Z]*' "$log" | tail -1 || true)
    echo "$name: $runs executions, $coverage"
    local kept
    kept=$(find "$work/findings/$name" -type f | head -20)
    if [ "$(cat "$work/logs/$name.status")" != 0 ] || [ -n "$kept" ]; then
      failed=1
      echo "FUZZ FINDING in $name (log: $log)"
      grep -E 'ERROR|SUMMARY|broken promise|runtime error' "$log" | head -5 || true
      for input in $kept; do echo "  reproduce: $work/fuzz/fuzz_$name $input"; done
    fi
  done < <(targets fuzz)
  [ "$failed" = 0 ] || exit 1
  echo "$ran targets for $1 s each, $total executions" >"$work/logs/summary"
}

# Line coverage of the system's files/ and text/ code, and of the pak tool's tools/pak/, over
# each target's corpus and seeds.
coverage() {
  build fuzz-coverage
  local measured="$root/build/fuzz-coverage/coverage"
  rm -rf "$measured" && mkdir -p "$measured"
  local objects=()
  while IFS=$'\t' read -r name _ limit _; do
    local binary="$root/build/fuzz-coverage/fuzz/fuzz_$name"
    local corpus_files
    corpus_files=$(find $(corpora "$name" fuzz-coverage) -type f | wc -l)
    # No sanitizer bounds the allocations here: an address-space limit refuses the same
    # requests the fuzz build refuses, so that their paths count as well.
    (ulimit -v $(((limit + 512) * 1024))
     TMPDIR="$measured" LLVM_PROFILE_FILE="$measured/$name.profraw" \
       "$binary" -runs=0 $(corpora "$name" fuzz-coverage) </dev/null >"$measured/$name.log" 2>&1)
    llvm-profdata merge -sparse "$measured/$name.profraw" -o "$measured/$name.profdata"
    echo "=== $name ($corpus_files inputs)"
    llvm-cov report "$binary" -instr-profile="$measured/$name.profdata" "$root/files" "$root/text" | tail -1
    objects+=(-object "$binary")
  done < <(targets fuzz-coverage)
  llvm-profdata merge -sparse "$measured"/*.profraw -o "$measured/all.profdata"
  echo "=== every target together"
  llvm-cov report "${objects[@]:1}" -instr-profile="$measured/all.profdata" "$root/files" "$root/text"
  llvm-cov report "${objects[@]:1}" -instr-profile="$measured/all.profdata" "$root/tools/pak"
  for part in files text tools/pak; do
    echo "$part/: $(llvm-cov report "${objects[@]:1}" -instr-profile="$measured/all.profdata" "$root/$part" | tail -1)"
  done
}

case "$mode" in
  coverage) coverage ;;
  *) fuzz_all "$seconds" ;;
esac
