#include "platform/Platform.h"

#include <cstdint>
#include <cstring>

#include "platform/posix/CodePage932.h"

namespace {

using Text = const unsigned char*;
using cp932::Character;
using cp932::CharacterAt;

unsigned char* Result(Text position) { return const_cast<unsigned char*>(position); }

// The first character equal to code, the terminator for code 0; null when there is none.
Text Find(Text text, unsigned int code) {
    for (Character c = CharacterAt(text);; text += c.size, c = CharacterAt(text)) {
        if (c.code == code) return text;
        if (c.size == 0) return nullptr;
    }
}

bool InSet(Text set, unsigned int code) { return code != 0 && Find(set, code) != nullptr; }

// The character at text as far as the first count bytes show it: one that runs past
// them counts as the end of the text.
Character CharacterWithin(Text text, std::size_t count) {
    Character c = CharacterAt(text);
    return c.size <= count ? c : Character{0, 0};
}

}  // namespace

unsigned char* _mbschr(const unsigned char* text, unsigned int character) { return Result(Find(text, character)); }

unsigned char* _mbsrchr(const unsigned char* text, unsigned int character) {
    Text last = nullptr;
    for (Character c = CharacterAt(text);; text += c.size, c = CharacterAt(text)) {
        if (c.code == character) last = text;
        if (c.size == 0) return Result(last);
    }
}

unsigned char* _mbsstr(const unsigned char* text, const unsigned char* find) {
    const std::size_t length = ::strlen(reinterpret_cast<const char*>(find));
    for (Character c = CharacterAt(text);; text += c.size, c = CharacterAt(text)) {
        // The first byte settles most places without a call.
        if ((length == 0 || *text == *find) &&
            ::strncmp(reinterpret_cast<const char*>(text), reinterpret_cast<const char*>(find), length) == 0)
            return Result(text);
        if (c.size == 0) return nullptr;
    }
}

unsigned char* _mbspbrk(const unsigned char* text, const unsigned char* set) {
    for (Character c = CharacterAt(text); c.size != 0; text += c.size, c = CharacterAt(text))
        if (InSet(set, c.code)) return Result(text);
    return nullptr;
}

std::size_t _mbsspn(const unsigned char* text, const unsigned char* set) {
    Text end = text;
    Character c;
    while (InSet(set, (c = CharacterAt(end)).code)) end += c.size;
    return static_cast<std::size_t>(end - text);
}

int _mbsicmp(const unsigned char* first, const unsigned char* second) { return _mbsnbicmp(first, second, SIZE_MAX); }

int _mbsnbicmp(const unsigned char* first, const unsigned char* second, std::size_t count) {
    for (;;) {
        // Equal single-byte characters are passed over without folding: the pack lookup
        // compares every directory name along its common prefix with the request.
        for (; count != 0 && *first == *second && *first != 0 && !cp932::IsLeadByte(*first); --count) {
            ++first;
            ++second;
        }
        const Character a = CharacterWithin(first, count);
        const Character b = CharacterWithin(second, count);
        const unsigned int lowerA = cp932::ToLower(a.code);
        const unsigned int lowerB = cp932::ToLower(b.code);
        if (lowerA != lowerB) return lowerA < lowerB ? -1 : 1;
        if (a.size == 0) return 0;
        // Equal codes after folding have equal sizes.
        first += a.size;
        second += a.size;
        count -= a.size;
    }
}
