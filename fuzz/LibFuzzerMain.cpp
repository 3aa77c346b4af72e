// The libFuzzer entry of a fuzz binary, which links exactly one target.
#include <cstdio>
#include <cstdlib>

#include "fuzz/Target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Targets().front().run(data, size);
    return 0;
}

namespace fuzz {

void Fail(const char* file, int line, const char* condition) {
    std::fprintf(stderr, "%s:%d: broken promise: %s\n", file, line, condition);
    std::abort();
}

}  // namespace fuzz
