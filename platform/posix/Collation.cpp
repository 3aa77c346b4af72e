#include "platform/Platform.h"

#include <cstring>

#include "platform/posix/CodePage932.h"

// A case-insensitive collation that sorts file names as the Windows one does: by primary
// weight first, with '-' and '\'' left out, and by those two only when all else is equal.
namespace {

using cp932::Character;
using cp932::CharacterAt;

// The symbols in the order the Windows collation gives them.
constexpr char symbolOrder[] = " \t\n\v\f\r!\"#$%&()*,./:;?@[]^_`{|}~\\+<=>";

// Weight ranges, in sorting order. Control bytes, bytes that are no character of the code
// page and a lead byte left alone before the terminator go first.
enum : unsigned int {
    otherWeights = 0,
    symbolWeights = 0x100,
    digitWeights = 0x200,
    letterWeights = 0x300,
    halfWidthKatakanaWeights = 0x400,
    doubleByteWeights = 0x10000,
};

unsigned int PrimaryWeight(unsigned int code) {
    if (code > 0xFF) return doubleByteWeights + cp932::ToLower(code);
    if (code >= '0' && code <= '9') return digitWeights + code;
    if ((code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z')) return letterWeights + cp932::ToLower(code);
    if (code >= 0xA1 && code <= 0xDF) return halfWidthKatakanaWeights + code;
    if (const void* symbol = std::memchr(symbolOrder, static_cast<int>(code), sizeof symbolOrder - 1))
        return symbolWeights + static_cast<unsigned int>(static_cast<const char*>(symbol) - symbolOrder);
    return otherWeights + code;
}

bool IsIgnorable(char byte) { return byte == '-' || byte == '\''; }

int Order(bool less, bool greater) { return less ? -1 : greater ? 1 : 0; }

const char* SkipIgnorable(const char* text) {
    while (IsIgnorable(*text)) ++text;
    return text;
}

int ComparePrimary(const char* first, const char* second) {
    for (;;) {
        first = SkipIgnorable(first);
        second = SkipIgnorable(second);
        const Character a = CharacterAt(first);
        const Character b = CharacterAt(second);
        if (a.size == 0 || b.size == 0) return Order(a.size < b.size, a.size > b.size);
        const unsigned int weightA = PrimaryWeight(a.code);
        const unsigned int weightB = PrimaryWeight(b.code);
        if (weightA != weightB) return Order(weightA < weightB, weightA > weightB);
        first += a.size;
        second += b.size;
    }
}

// The next '-' or '\'' at or after text, or the terminator; never inside a two-byte character.
const char* NextIgnorable(const char* text) {
    for (Character c = CharacterAt(text); c.size != 0 && !IsIgnorable(*text); c = CharacterAt(text)) text += c.size;
    return text;
}

// Between texts of equal primary weights: the one with more of the ignored characters sorts
// after, an earlier one after a later one, and '-' after '\''.
int CompareIgnorable(const char* first, const char* second) {
    const char* a = NextIgnorable(first);
    const char* b = NextIgnorable(second);
    for (; *a && *b; a = NextIgnorable(a + 1), b = NextIgnorable(b + 1)) {
        const auto offsetA = a - first;
        const auto offsetB = b - second;
        if (offsetA != offsetB) return Order(offsetA > offsetB, offsetA < offsetB);
        if (*a != *b) return Order(*a == '\'', *a == '-');
    }
    return Order(!*a && *b, *a && !*b);
}

}  // namespace

int lstrcmpiA(LPCSTR first, LPCSTR second) {
    if (!first || !second) return Order(!first && second, first && !second);
    const int primary = ComparePrimary(first, second);
    return primary != 0 ? primary : CompareIgnorable(first, second);
}
