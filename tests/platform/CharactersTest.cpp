// Stepping through code page 932 text: our host layer and the real functions under Wine
// answer the same cases.
#include <gtest/gtest.h>

#include <string>

#include "platform/Platform.h"

namespace {

TEST(IsDBCSLeadByte, BoundsOfBothRanges) {
    struct Case {
        unsigned char byte;
        bool lead;
    };
    const Case cases[] = {
        {0x00, false}, {0x40, false}, {0x7F, false}, {0x80, false}, {0x81, true},  {0x9F, true},
        {0xA0, false}, {0xB1, false}, {0xDF, false}, {0xE0, true},  {0xFC, true},  {0xFD, false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << int(row.byte));
        EXPECT_EQ(row.lead, IsDBCSLeadByte(row.byte) != FALSE);
    }
}

TEST(CharNextA, StepsOverTwoByteCharactersAsOne) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t from;
        std::size_t expected;
    };
    const Case cases[] = {
        {"single byte", "ab", 0, 1},
        {"two-byte character whose second byte is 5C", "\x95\x5c" "a", 0, 2},
        {"second byte 20 still pairs with the lead", "\x82\x20" "a", 0, 2},
        {"half-width katakana is one byte", "\xb1\xb2", 0, 1},
        {"lead byte right before the terminator stands alone", std::string("\x95\0\x5c", 3), 0, 1},
        {"at the terminator it stays", "a", 1, 1},
        {"from a second byte it reads a single byte", "\x95\x5c" "a", 1, 2},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        const char* text = row.text.c_str();
        EXPECT_EQ(text + row.expected, CharNextA(text + row.from));
    }
}

TEST(CharPrevA, FindsTheStartOfThePreviousCharacterFromTheStart) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t current;
        std::size_t expected;
    };
    const Case cases[] = {
        {"two-byte character before the end", "a\x95\x5c", 3, 1},
        {"5C after a two-byte character", "\x95\x5c\x5c", 3, 2},
        {"5C before a two-byte character", "\x5c\x95\x5c", 3, 1},
        {"81 81 pairs, then 5C", "\x81\x81\x5c", 3, 2},
        {"lead byte right before the terminator", "a\x95", 2, 1},
        {"current on a second byte gives its lead", "\x95\x5c" "a", 1, 0},
        {"one byte after the start", "ab", 1, 0},
        {"at the start it stays", "ab", 0, 0},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        const char* text = row.text.c_str();
        EXPECT_EQ(text + row.expected, CharPrevA(text, text + row.current));
    }
}

TEST(lstrlenA, CountsBytesAndTakesNull) {
    EXPECT_EQ(0, lstrlenA(nullptr));
    EXPECT_EQ(0, lstrlenA(""));
    EXPECT_EQ(4, lstrlenA("a\x95\x5c" "b"));
    EXPECT_EQ(2, lstrlenA("a\x95"));
}

}  // namespace
