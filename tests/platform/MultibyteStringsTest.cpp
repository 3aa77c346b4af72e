// msvcrt's multibyte searches and comparisons for code page 932: our host layer and the
// real functions under Wine answer the same cases.
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tests/support/Scratch.h"

namespace {

using Text = const unsigned char*;

// The bytes of a literal with its terminator, bytes after an inner zero included, in a heap
// block of exactly that size, so that the sanitizers see any read past its end.
template <std::size_t N>
std::vector<unsigned char> Bytes(const char (&literal)[N]) {
    return std::vector<unsigned char>(literal, literal + N);
}

Text U(const char* text) { return reinterpret_cast<Text>(text); }

struct SearchCase {
    const char* name;
    std::vector<unsigned char> text;
    std::function<unsigned char*(Text)> search;
    std::ptrdiff_t expected;  // offset of the result in text; -1 for null
    const char* wineDiffers;  // why Wine's answer differs from Windows', or null
};

void RunSearches(const std::vector<SearchCase>& cases) {
    for (const SearchCase& row : cases) {
        SCOPED_TRACE(row.name);
        // Wine reads on past a terminator in these cases; its answers prove nothing.
        if (row.wineDiffers && RunningUnderWine()) continue;
        const unsigned char* found = row.search(row.text.data());
        EXPECT_EQ(row.expected, found ? found - row.text.data() : -1);
    }
}

TEST(MultibyteSearch, CharacterSearchesTakeTwoByteCharactersAsUnits) {
    const std::vector<SearchCase> cases = {
        {"_mbschr skips a second byte 5C", Bytes("\x95\x5c\x5c"), [](Text t) { return _mbschr(t, 0x5C); }, 2, nullptr},
        {"_mbschr finds a two-byte code", Bytes("a\x95\x5c"), [](Text t) { return _mbschr(t, 0x955C); }, 1, nullptr},
        {"_mbschr pairs a lead with 20", Bytes("\x82\x20x"), [](Text t) { return _mbschr(t, 0x20); }, -1, nullptr},
        {"_mbschr of 0 finds the terminator", Bytes("abc"), [](Text t) { return _mbschr(t, 0); }, 3, nullptr},
        {"_mbschr of a code too large", Bytes("abc"), [](Text t) { return _mbschr(t, 0x161); }, -1, nullptr},
        {"_mbschr stops at the terminator after a lone lead", Bytes("a\x95\0\x5c"),
         [](Text t) { return _mbschr(t, 0x5C); }, -1, "Wine steps over the terminator after a lead byte"},
        {"_mbschr of 0 after a lone lead finds the terminator", Bytes("a\x95\0"),
         [](Text t) { return _mbschr(t, 0); }, 2, "Wine steps over the terminator after a lead byte"},
        {"_mbschr finds a lone lead as a byte", Bytes("a\x95"), [](Text t) { return _mbschr(t, 0x95); }, 1,
         "Wine steps over the terminator after a lead byte"},
        {"_mbsrchr skips a second byte 5C", Bytes("\x95\x5c\x5c"), [](Text t) { return _mbsrchr(t, 0x5C); }, 2, nullptr},
        {"_mbsrchr takes the last one", Bytes("\\a\\b"), [](Text t) { return _mbsrchr(t, 0x5C); }, 2, nullptr},
        {"_mbsrchr of a two-byte code", Bytes("a\x95\x5c" "a\x95\x5c"), [](Text t) { return _mbsrchr(t, 0x955C); }, 4,
         nullptr},
        {"_mbsrchr with only a second byte 5C", Bytes("a\x95\x5c"), [](Text t) { return _mbsrchr(t, 0x5C); }, -1,
         nullptr},
        {"_mbsrchr of 0 finds the terminator", Bytes("\x95\x5c\x5c"), [](Text t) { return _mbsrchr(t, 0); }, 3, nullptr},
    };
    RunSearches(cases);
}

TEST(MultibyteSearch, SubstringAndSetSearchesNeverStartOnASecondByte) {
    const std::vector<SearchCase> cases = {
        {"_mbsstr skips a second byte 5C", Bytes("\x95\x5c\x6e\x5c\x6e"), [](Text t) { return _mbsstr(t, U("\\n")); },
         3, "Wine's _mbsstr compares at every byte"},
        {"_mbsstr skips a second byte in the middle", Bytes("x\x95\x5c\x5c"), [](Text t) { return _mbsstr(t, U("\\")); },
         3, "Wine's _mbsstr compares at every byte"},
        {"_mbsstr finds a two-byte character", Bytes("ab\x95\x5c"), [](Text t) { return _mbsstr(t, U("\x95\x5c")); },
         2, nullptr},
        {"_mbsstr finds a lone lead at the end", Bytes("a\x95"), [](Text t) { return _mbsstr(t, U("\x95")); }, 1,
         nullptr},
        {"_mbsstr of an empty text is the start", Bytes("abc"), [](Text t) { return _mbsstr(t, U("")); }, 0, nullptr},
        {"_mbsstr finds nothing", Bytes("abc"), [](Text t) { return _mbsstr(t, U("cd")); }, -1, nullptr},
        {"_mbspbrk skips a second byte 5C", Bytes("\x95\x5c\x6e\x5c\x6e"), [](Text t) { return _mbspbrk(t, U("\\")); },
         3, nullptr},
        {"_mbspbrk with only a second byte 5C", Bytes("a\x95\x5c"), [](Text t) { return _mbspbrk(t, U("\\")); }, -1,
         nullptr},
        {"_mbspbrk with a two-byte member", Bytes("xy\x95\x5c"), [](Text t) { return _mbspbrk(t, U("z\x95\x5c")); }, 2,
         nullptr},
        {"_mbspbrk takes the first of the set", Bytes("xyz"), [](Text t) { return _mbspbrk(t, U("zy")); }, 1, nullptr},
        {"_mbspbrk with an empty set", Bytes("abc"), [](Text t) { return _mbspbrk(t, U("")); }, -1, nullptr},
        {"_mbspbrk finds a lone lead at the end", Bytes("a\x95"), [](Text t) { return _mbspbrk(t, U("\x95")); }, 1,
         "Wine steps over the terminator after a lead byte"},
    };
    RunSearches(cases);
}

TEST(MultibyteSearch, SpanCountsWholeCharacters) {
    struct Case {
        const char* name;
        std::vector<unsigned char> text;
        const char* set;
        std::size_t expected;
        const char* wineDiffers;
    };
    const Case cases[] = {
        {"a two-byte member", Bytes("\x95\x5c\x6e"), "\x95\x5c", 2, nullptr},
        {"a lone lead at the end is no two-byte member", Bytes("\x95\x5c\x95\x5c\x95"), "\x95\x5c", 4, nullptr},
        {"second bytes as members do not match", Bytes("\x95\x5c"), "\x5c" "A", 0, nullptr},
        {"mixed members", Bytes("A\x95\x5c"), "\x95\x5c" "A", 3, nullptr},
        {"a lone lead in both", Bytes("a\x95"), "a\x95", 2, nullptr},
        {"an empty set", Bytes("abc"), "", 0, nullptr},
        {"a lone lead at the end of the set", Bytes("\x95\x5c"), "\x5c\x95", 0,
         "Wine steps over the terminator after a lead byte"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        if (row.wineDiffers && RunningUnderWine()) continue;
        EXPECT_EQ(row.expected, _mbsspn(row.text.data(), U(row.set)));
    }
}

TEST(MultibyteCompare, FoldsToLowerCaseAndOrdersByCharacterCode) {
    constexpr std::size_t whole = static_cast<std::size_t>(-1);  // _mbsicmp, no count
    struct Case {
        const char* name;
        const char* first;
        const char* second;
        std::size_t count;
        int expected;
    };
    const Case cases[] = {
        {"letters fold", "ABC", "abc", whole, 0},
        {"a later letter", "abd", "ABC", whole, 1},
        {"a prefix sorts first", "zz", "ZZZ", whole, -1},
        {"empty texts", "", "", whole, 0},
        {"'_' against a letter folds to lower case", "_", "a", whole, -1},
        {"'[' against a capital folds to lower case", "[", "A", whole, -1},
        {"a two-byte code against its second byte", "\x95\x5c", "\x5c", whole, 1},
        {"half-width katakana before a two-byte code", "\xb1", "\x95\x5c", whole, -1},
        {"full-width Latin capital and small letter", "\x82\x60", "\x82\x81", whole, 0},
        {"last full-width Latin capital", "\x82\x79", "\x82\x9a", whole, 0},
        {"full-width Latin by code after folding", "\x82\x81", "\x82\x61", whole, -1},
        {"Greek capital and small letter", "\x83\x9f", "\x83\xbf", whole, 0},
        {"last Greek capital", "\x83\xb6", "\x83\xd6", whole, 0},
        {"Cyrillic capital and small letter", "\x84\x40", "\x84\x70", whole, 0},
        {"Cyrillic small letters skip 847F", "\x84\x4f", "\x84\x80", whole, 0},
        {"last Cyrillic capital", "\x84\x60", "\x84\x91", whole, 0},
        {"847F is no letter", "\x84\x7f", "\x84\x80", whole, -1},
        {"full-width capital after a single byte", "\x82\x60", "A", whole, 1},
        {"a lone lead byte after the end", "a\x95", "a", whole, 1},
        {"two-byte codes with second bytes 20 and 21", "\x82\x20", "\x82\x21", whole, -1},
        {"a count within equal text", "GAME.INI.OLD", "game", 4, 0},
        {"a count past the difference", "abc", "ABD", 3, -1},
        {"a count before the difference", "abc", "abd", 2, 0},
        {"a count past both ends", "ab", "abc", 9, -1},
        {"a count of 0", "abc", "xyz", 0, 0},
        {"a count ending inside two-byte characters", "\x95\x5c", "\x95\x5d", 1, 0},
        {"a two-byte character cut by the count is none", "\x82\x60", "A", 1, -1},
        {"a count ending after folded two-byte characters", "\x82\x60x", "\x82\x81y", 2, 0},
        {"a count past a lone lead byte", "a\x95", "a", 5, 1},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        const auto compare = [&row](const char* a, const char* b) {
            return row.count == whole ? _mbsicmp(U(a), U(b)) : _mbsnbicmp(U(a), U(b), row.count);
        };
        EXPECT_EQ(row.expected, compare(row.first, row.second));
        EXPECT_EQ(-row.expected, compare(row.second, row.first));
    }
}

}  // namespace
