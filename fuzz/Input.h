// A fuzz input read as a row of fields, and seeds written in the same layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/packwriter/PackWriter.h"

namespace fuzz {

// Fields past the end of the input read as zeros and empty texts, so every input decodes.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : at(data), end(data + size) {}

    std::uint8_t Byte();
    std::uint16_t U16();  // little-endian
    std::uint32_t U32();  // little-endian
    // A length byte, then up to that many bytes.
    std::string Piece();
    // Everything not read yet.
    std::string Rest();
    bool AtEnd() const { return at == end; }

private:
    const std::uint8_t* at;
    const std::uint8_t* end;
};

// The writing side of Input, for seeds.
std::string Byte(std::uint8_t value);
std::string U16(std::uint16_t value);
using packwriter::U32;
std::string Piece(const std::string& bytes);  // at most 255 bytes

}  // namespace fuzz
