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
    const unsigned size = count * sizeof(Unsigned);
    for (unsigned i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(values[i / sizeof(Unsigned)] >> (8 * (i % sizeof(Unsigned))));
    file.Read(bytes, size);
    for (unsigned v = 0; v < count; ++v) values[v] = LittleEndianAt<Unsigned>(bytes + v * sizeof(Unsigned));
}

template <typename Unsigned>
void ReadLittleEndian(OCFile& file, Unsigned& value) {
    ReadLittleEndian(file, &value, 1);
}
