#include "fuzz/Input.h"

#include <algorithm>
#include <stdexcept>

namespace fuzz {

std::uint8_t Input::Byte() { return at == end ? 0 : *at++; }

std::uint16_t Input::U16() {
    const std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | Byte() << 8);
}

std::uint32_t Input::U32() {
    const std::uint32_t low = U16();
    return low | static_cast<std::uint32_t>(U16()) << 16;
}

std::string Input::Piece() {
    // The length byte is taken first: what is left is measured after it.
    const std::size_t wanted = Byte();
    const std::size_t length = std::min<std::size_t>(wanted, static_cast<std::size_t>(end - at));
    std::string piece(reinterpret_cast<const char*>(at), length);
    at += length;
    return piece;
}

std::string Input::Rest() {
    std::string rest(reinterpret_cast<const char*>(at), static_cast<std::size_t>(end - at));
    at = end;
    return rest;
}

std::string Byte(std::uint8_t value) { return std::string(1, static_cast<char>(value)); }

std::string U16(std::uint16_t value) { return U32(value).substr(0, 2); }

std::string Piece(const std::string& bytes) {
    if (bytes.size() > 255) throw std::length_error("a piece holds at most 255 bytes");
    return Byte(static_cast<std::uint8_t>(bytes.size())) + bytes;
}

}  // namespace fuzz
