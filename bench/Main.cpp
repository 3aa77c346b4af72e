// oc_bench [--smoke] [Google Benchmark options]: makes the fixtures, then runs the benchmarks.
// --smoke makes them small, to show in seconds that every benchmark and its floor work.
#include <cstring>

#include "bench/Benchmarks.h"
#include "files/ProcessState.h"

namespace {

// Removes the flag from the arguments and tells whether it was there.
bool TakeFlag(int& argc, char** argv, const char* flag) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], flag) != 0) continue;
        for (int j = i; j < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = TakeFlag(argc, argv, "--smoke");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // A lookup of a missing name ends without asking the user.
    quietOpen = 1;
    const Fixtures fixtures(smoke ? SmokeScale() : FullScale());
    benchmark::AddCustomContext("scale", smoke ? "smoke" : "full");
    RegisterLookupBenchmarks(fixtures);
    RegisterEntryBenchmarks(fixtures);
    RegisterSettingsBenchmarks(fixtures);
    RegisterStringBenchmarks(fixtures);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
