#!/usr/bin/env bash
# Builds the benchmarks in Release (preset bench), runs the whole suite once with repetitions
# in random order, and regenerates from that run docs/performance.json (the figures),
# docs/PERFORMANCE.md and docs/lookup.png (lookup time against entry count, by gnuplot).
# The raw Google Benchmark output stays in build/bench/results.
#   OC_BENCH_REPETITIONS (default 20) and OC_BENCH_MIN_TIME (seconds per repetition, default
#   0.25) trade run time for steadier medians.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset bench >/dev/null
cmake --build --preset bench -j2

results="$PWD/build/bench/results"  # absolute: the benchmarks change the current directory
mkdir -p "$results" docs
uptime >"$results/load-before.txt"
# Every figure is a ratio to a floor of the same run; random interleaving spreads the load
# of a busy machine over both alike.
build/bench/bench/oc_bench \
  --benchmark_repetitions="${OC_BENCH_REPETITIONS:-20}" \
  --benchmark_min_time="${OC_BENCH_MIN_TIME:-0.25}" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_display_aggregates_only=true \
  --benchmark_out="$results/benchmark.json" --benchmark_out_format=json
uptime >"$results/load-after.txt"

python3 bench/report.py "$results" docs
gnuplot -e "data='$results/lookup.dat'; output='docs/lookup.png'" bench/lookup.gp
echo "figures: docs/performance.json, report: docs/PERFORMANCE.md, plot: docs/lookup.png"
