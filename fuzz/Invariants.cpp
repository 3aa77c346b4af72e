#include "fuzz/Invariants.h"

#include <cstdint>
#include <cstring>

#include "fuzz/Target.h"

namespace fuzz {

namespace {

// Where a pointer stands from the buffer's start; compared as numbers, since a pointer that
// left the buffer cannot be compared with it as a pointer.
std::intptr_t OffsetOf(const OCString& string, const char* position) {
    return reinterpret_cast<std::intptr_t>(position) - reinterpret_cast<std::intptr_t>(string.buffer);
}

// The text's length, found within the capacity bytes and the terminator the buffer holds.
std::intptr_t MeasuredLength(const OCString& string) {
    const void* terminator = std::memchr(string.buffer, 0, static_cast<std::size_t>(string.capacity) + 1);
    FUZZ_CHECK(terminator != nullptr);
    return static_cast<const char*>(terminator) - string.buffer;
}

}  // namespace

void CheckString(const OCString& string, bool lengthRecorded) {
    if (!string.buffer) {
        FUZZ_CHECK(string.cursor == nullptr);
        FUZZ_CHECK(string.capacity == 0);
        FUZZ_CHECK(string.length == 0);
        return;
    }
    FUZZ_CHECK(string.capacity > 0 && string.capacity % 64 == 0);
    const std::intptr_t length = MeasuredLength(string);
    const std::intptr_t cursor = OffsetOf(string, string.cursor);
    FUZZ_CHECK(cursor >= 0 && cursor <= string.capacity);
    if (!lengthRecorded) return;
    FUZZ_CHECK(string.length == length);
    FUZZ_CHECK(cursor <= length);
}

void CheckInText(const OCString& string, const char* position) {
    if (!position) return;
    FUZZ_CHECK(string.buffer != nullptr);
    const std::intptr_t offset = OffsetOf(string, position);
    FUZZ_CHECK(offset >= 0 && offset < MeasuredLength(string));
}

bool HasCharacterOf(const OCString& string, const char* set) {
    if (!string.buffer) return false;
    for (const char* at = string.buffer; *at; at = CharNextA(at))
        if (std::strchr(set, *at)) return true;
    return false;
}

}  // namespace fuzz
