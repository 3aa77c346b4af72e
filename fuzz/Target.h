// A fuzz target: one function over arbitrary bytes and the seed inputs it starts from. The
// same targets run under libFuzzer in the fuzz build and, in the ordinary test programs,
// over their seeds and the inputs of past findings, so the promises they check hold on
// every build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

struct Target {
    const char* name;
    void (*run)(const std::uint8_t* data, std::size_t size);
    std::vector<std::string> (*seeds)();
};

// Registers a target; the result lets a namespace-scope constant make the call.
bool Register(const Target& target);
const std::vector<Target>& Targets();

// A broken promise of the code under test. The driver reports it: libFuzzer's aborts and
// keeps the input, the replay test records a failure and goes on with the next input.
[[noreturn]] void Fail(const char* file, int line, const char* condition);

}  // namespace fuzz

#define FUZZ_CHECK(condition) ((condition) ? static_cast<void>(0) : ::fuzz::Fail(__FILE__, __LINE__, #condition))
