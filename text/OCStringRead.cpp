#include <algorithm>
#include <climits>

#include "files/OCFile.h"
#include "text/OCString.h"

void OCString::ReadCounted(OCFile& file) {
    unsigned char count[4] = {};
    file.Read(count, sizeof count);
    const std::int32_t size = static_cast<std::int32_t>(count[0] | count[1] << 8 | count[2] << 16 |
                                                        static_cast<std::uint32_t>(count[3]) << 24);
    // A buffer with just the room that clearing and reserving would give is kept instead: the
    // pack lookup reads every name of a directory into one string, most of them of one length.
    if (!buffer || size <= 0 || RoomFor(size) != capacity) {
        Clear();
        if (size == 0) return;
        // A negative count, or one too large to allocate, leaves the string without buffer.
        Reserve(size);
        if (!buffer) return;
    }
    // The text ends where the stream's bytes did, not in bytes it never delivered.
    const std::uint32_t got = file.Read(buffer, static_cast<std::uint32_t>(size));
    buffer[std::min<std::uint32_t>(got, static_cast<std::uint32_t>(size))] = '\0';
    cursor = buffer;
    length = GetLength();
}

void OCString::ReadAll(OCFile& file) {
    Clear();
    const std::uint32_t size = file.GetSize();
    if (size > INT_MAX) return;
    Reserve(static_cast<int>(size));
    if (!buffer) return;
    const std::uint32_t got = file.Read(buffer, size);
    buffer[std::min(got, size)] = '\0';
    cursor = buffer;
    length = GetLength();
    Replace("\r\n", "\n");
    Replace("\r", "\n");
}
