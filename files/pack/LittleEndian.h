// Little-endian fields read through a stream, for the pack records.
#pragma once

#include <cstdint>

#include "files/OCFile.h"

template <typename Unsigned>
Unsigned LittleEndianAt(const unsigned char* bytes) {
    Unsigned value = 0;
    for (unsigned i = 0; i < sizeof(Unsigned); ++i) value |= static_cast<Unsigned>(bytes[i]) << (8 * i);
    return value;
}

// Up to six consecutive values in one read. Bytes the stream does not deliver keep the
// values' own: a pack that ends early leaves the fields it no longer covers as they were.
template <typename Unsigned>
void ReadLittleEndian(OCFile& file, Unsigned* values, unsigned count) {
    unsigned char bytes[6 * sizeof(Unsigned)];
    const unsigned got = file.Read(bytes, count * sizeof(Unsigned));
    const unsigned whole = got / sizeof(Unsigned);
    for (unsigned v = 0; v < whole; ++v) values[v] = LittleEndianAt<Unsigned>(bytes + v * sizeof(Unsigned));
    for (unsigned i = whole * sizeof(Unsigned); i < got; ++i) {
        const unsigned shift = 8 * (i % sizeof(Unsigned));
        Unsigned& value = values[whole];
        value = (value & ~(static_cast<Unsigned>(0xFF) << shift)) | static_cast<Unsigned>(bytes[i]) << shift;
    }
}

template <typename Unsigned>
void ReadLittleEndian(OCFile& file, Unsigned& value) {
    ReadLittleEndian(file, &value, 1);
}
