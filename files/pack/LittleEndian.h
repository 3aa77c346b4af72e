// Little-endian fields read through a stream, for the pack records.
#pragma once

#include <cstdint>

#include "files/OCFile.h"

// Bytes the stream does not deliver keep the value's own: a pack that ends early leaves
// the fields it no longer covers as they were.
template <typename Unsigned>
void ReadLittleEndian(OCFile& file, Unsigned& value) {
    unsigned char bytes[sizeof(Unsigned)];
    for (unsigned i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    file.Read(bytes, sizeof bytes);
    value = 0;
    for (unsigned i = 0; i < sizeof bytes; ++i) value |= static_cast<Unsigned>(bytes[i]) << (8 * i);
}
