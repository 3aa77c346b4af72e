// The benchmarks of the file layer, each registered next to its floor: the least work that
// gives the same result, written plainly and run in the same process, so that the ratio of
// the two holds on a busy machine.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <utility>

#include "bench/Fixtures.h"

void RegisterLookupBenchmarks(const Fixtures& fixtures);
void RegisterEntryBenchmarks(const Fixtures& fixtures);
void RegisterSettingsBenchmarks(const Fixtures& fixtures);
void RegisterStringBenchmarks(const Fixtures& fixtures);

// Registers body, a callable taking the benchmark's state, under name; times in microseconds.
template <typename Body>
void Register(const std::string& name, Body body) {
    benchmark::RegisterBenchmark(name.c_str(), std::move(body))->Unit(benchmark::kMicrosecond);
}
