// The benchmarks of the file layer, each registered next to its floor: the least work that
// gives the same result, written plainly and run in the same process, so that the ratio of
// the two holds on a busy machine.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <string>

#include "bench/Fixtures.h"

void RegisterLookupBenchmarks(const Fixtures& fixtures);
void RegisterEntryBenchmarks(const Fixtures& fixtures);
void RegisterSettingsBenchmarks(const Fixtures& fixtures);
void RegisterStringBenchmarks(const Fixtures& fixtures);

// Registers body(state, arguments...) under name; times in microseconds. Arguments are
// copied: pass the fixtures as std::cref.
template <typename Body, typename... Arguments>
void Register(const std::string& name, Body body, Arguments... arguments) {
    benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& state) { body(state, arguments...); })
        ->Unit(benchmark::kMicrosecond);
}

// Times iteration, a callable that does the measured work once and tells whether its result
// was right; a wrong one ends the benchmark with failure. bytes, unless 0, is the work of one
// iteration in bytes.
template <typename Iteration>
void Repeat(benchmark::State& state, std::uint64_t bytes, const char* failure, Iteration iteration) {
    for (auto _ : state) {
        if (!iteration()) {
            state.SkipWithError(failure);
            break;
        }
    }
    if (bytes) state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
