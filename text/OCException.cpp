#include "text/OCException.h"

namespace {

// Read before anything else runs, since copying the text may touch the last error.
std::int32_t LastErrorCode() {
    const DWORD error = GetLastError();
    return error ? static_cast<std::int32_t>(error) : -1;
}

}  // namespace

OCErrorException::OCErrorException(const char* text) : OCException(LastErrorCode()), message(text) {}
