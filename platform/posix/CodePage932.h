// The characters of code page 932, from our own rules: the one place where the host's text
// functions learn how long a character is and what it is.
#pragma once

#include <cstddef>

namespace cp932 {

constexpr bool IsLeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

struct Character {
    unsigned int code;  // lead * 256 + second byte, or the single byte; 0 at the terminator
    std::size_t size;   // 2, 1, or 0 at the terminator
};

// A lead byte pairs with any non-zero byte; before the terminator it stands alone, so no
// walk ever steps over a terminator.
inline Character CharacterAt(const unsigned char* text) {
    if (text[0] == 0) return {0, 0};
    if (IsLeadByte(text[0]) && text[1] != 0) return {text[0] * 256u + text[1], 2};
    return {text[0], 1};
}

inline Character CharacterAt(const char* text) { return CharacterAt(reinterpret_cast<const unsigned char*>(text)); }

// The small letter of A-Z and of the full-width Latin, Greek and Cyrillic capitals; any
// other code unchanged.
constexpr unsigned int ToLower(unsigned int code) {
    if (code >= 'A' && code <= 'Z') return code + 0x20;
    if (code >= 0x8260 && code <= 0x8279) return code + 0x21;  // full-width Latin
    if (code >= 0x839F && code <= 0x83B6) return code + 0x20;  // Greek
    if (code >= 0x8440 && code <= 0x844E) return code + 0x30;  // Cyrillic, before the small ones skip 0x847F
    if (code >= 0x844F && code <= 0x8460) return code + 0x31;  // Cyrillic, after it
    return code;
}

}  // namespace cp932
