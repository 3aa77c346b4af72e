#include "text/OCString.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "files/ProcessState.h"
#include "tests/support/Hooks.h"
#include "tests/support/Scratch.h"
#include "tests/text/StringFixtures.h"
#include "tests/text/TestHeap.h"
#include "text/OCException.h"

namespace {

using testheap::RefuseAllocations;

const std::string k100(100, 'a');

struct Change {
    const char* name;
    Prepare setup;
    std::function<void(OCString&)> act;
    Expected expected;
};

void RunChanges(const std::vector<Change>& rows) {
    for (const Change& row : rows) {
        SCOPED_TRACE(row.name);
        OCString text;
        row.setup(text);
        row.act(text);
        ExpectState(text, row.expected);
    }
}

TEST(OCStringConstruction, Forms) {
    struct Row {
        const char* name;
        std::function<std::unique_ptr<OCString>()> make;
        Expected expected;
    };
    const std::vector<Row> rows = {
        {"default: no buffer", [] { return std::make_unique<OCString>(); }, kNoBuffer},
        {"size -1: no buffer", [] { return std::make_unique<OCString>(-1); }, kNoBuffer},
        {"size 0: an empty text in 64", [] { return std::make_unique<OCString>(0); }, {"", 64, 0, 0}},
        {"size 64: 128", [] { return std::make_unique<OCString>(64); }, {"", 128, 0, 0}},
        {"a text", [] { return std::make_unique<OCString>("abc"); }, {"abc", 64, 3, 0}},
        {"a counted text", [] { return std::make_unique<OCString>("abcdef", 3); }, {"abc", 64, 3, 0}},
        {"an empty text has a buffer", [] { return std::make_unique<OCString>(""); }, {"", 64, 0, 0}},
        {"a null text: no buffer", [] { return std::make_unique<OCString>(nullptr); }, kNoBuffer},
        {"a null text with a count: room", [] { return std::make_unique<OCString>(nullptr, 100); }, {"", 128, 0, 0}},
        {"63 bytes fit in 64", [] { return std::make_unique<OCString>(std::string(63, 'a').c_str()); },
         {std::string(63, 'a'), 64, 63, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ExpectState(*row.make(), row.expected);
    }
    // 64 bytes and the terminator take the next step.
    const std::string full(64, 'b');
    ExpectState(OCString(full.c_str()), {full, 128, 64, 0});
}

TEST(OCStringConstruction, CopiesTakeTheTextIntoABufferOfTheirOwn) {
    OCString original("abcdef");
    original.cursor += 3;
    OCString copy(original);
    EXPECT_NE(original.buffer, copy.buffer);
    ExpectState(copy, {"abcdef", 64, 6, 0});

    // Sized to the text, not to the other's room.
    const OCString roomy(500);
    ExpectState(OCString(roomy), {"", 64, 0, 0});
    ExpectState(OCString(OCString()), kNoBuffer);
}

TEST(OCStringAssign, Forms) {
    const OCString other("q");
    RunChanges({
        {"own buffer with a count: nothing", Text("abcdef", 2), [](OCString& s) { s.Assign(s.buffer, 3); },
         {"abcdef", 64, 6, 2}},
        {"own buffer: nothing", Text("abcdef", 2), [](OCString& s) { s.Assign(s.GetText()); }, {"abcdef", 64, 6, 2}},
        {"itself: nothing", Text("abcdef", 2), [](OCString& s) { s = s; }, {"abcdef", 64, 6, 2}},
        {"null: no buffer", Text("abc"), [](OCString& s) { s.Assign(nullptr, -1); }, kNoBuffer},
        {"null with a count: empty room", Text("abc", 1), [](OCString& s) { s.Assign(nullptr, 10); }, {"", 64, 0, 0}},
        {"null on no buffer", NoBuffer(), [](OCString& s) { s.Assign(nullptr, -1); }, kNoBuffer},
        {"a text", Text("abcdef", 2), [](OCString& s) { s.Assign("xyz"); }, {"xyz", 64, 3, 0}},
        {"a counted text", Text("abc"), [](OCString& s) { s.Assign("wxyz", 2); }, {"wx", 64, 2, 0}},
        {"another string", Text("abcdef", 2), [&other](OCString& s) { s = other; }, {"q", 64, 1, 0}},
        {"a string without buffer", Text("abc"), [](OCString& s) { s.Assign(OCString()); }, kNoBuffer},
        {"both without buffer", NoBuffer(), [](OCString& s) { s.Assign(OCString()); }, kNoBuffer},
    });
}

TEST(OCStringReserve, GrowsInStepsOf64AndKeepsTheCursor) {
    RunChanges({
        {"0 on no buffer: 64, empty, cursor first", NoBuffer(), [](OCString& s) { s.Reserve(0); }, {"", 64, 0, 0}},
        {"63 with 64: nothing", Text("abc", 2), [](OCString& s) { s.Reserve(63); }, {"abc", 64, 3, 2}},
        {"64 with 64: 128", Text("abc", 2), [](OCString& s) { s.Reserve(64); }, {"abc", 128, 3, 2}},
        {"130: 192", Text("abc", 3), [](OCString& s) { s.Reserve(130); }, {"abc", 192, 3, 3}},
        {"-1: nothing", Text("abc", 1), [](OCString& s) { s.Reserve(-1); }, {"abc", 64, 3, 1}},
        {"-1 on no buffer: nothing", NoBuffer(), [](OCString& s) { s.Reserve(-1); }, kNoBuffer},
        {"2^31 - 64 has no step: nothing", Text("abc", 1), [](OCString& s) { s.Reserve(INT_MAX - 63); },
         {"abc", 64, 3, 1}},
        {"INT_MAX: nothing", NoBuffer(), [](OCString& s) { s.Reserve(INT_MAX); }, kNoBuffer},
        // A direct write cut the text short behind the cursor: the cursor stays in the text.
        {"cursor beyond a shortened text: onto its terminator",
         [](OCString& s) {
             Text("abcdef", 5)(s);
             s.buffer[2] = '\0';
         },
         [](OCString& s) { s.Reserve(64); }, {"ab", 128, 6, 2}},
        // A direct write made the text longer than recorded and a search went into it.
        {"cursor beyond the recorded length of a longer text: kept", Written("abc\\def"),
         [](OCString& s) {
             s.Find('\\');
             s.Reserve(100);
         },
         {"abc\\def", 128, 0, 3}},
    });
}

TEST(OCStringAppend, Forms) {
    const std::string sixty(60, 'a');
    RunChanges({
        {"zero bytes of a text: nothing, cursor kept", Text("xy", 1), [](OCString& s) { s.Append("abc", 0); },
         {"xy", 64, 2, 1}},
        {"an empty text gives a buffer", NoBuffer(), [](OCString& s) { s.Append("", -1); }, {"", 64, 0, 0}},
        {"null only moves the cursor", Text("xy", 2), [](OCString& s) { s.Append(nullptr, -1); }, {"xy", 64, 2, 0}},
        {"null on no buffer", NoBuffer(), [](OCString& s) { s.Append(nullptr, -1); }, kNoBuffer},
        {"null with a count: empty room", Text("xy", 1), [](OCString& s) { s.Append(nullptr, 100); },
         {"", 128, 0, 0}},
        {"behind the text, cursor first", Text("abc", 2), [](OCString& s) { s.Append("def"); }, {"abcdef", 64, 6, 0}},
        {"counted", Text("abc"), [](OCString& s) { s.Append("defgh", 2); }, {"abcde", 64, 5, 0}},
        {"across 64", Text(sixty), [](OCString& s) { s.Append("bbbb"); },
         {sixty + "bbbb", 128, 64, 0}},
        {"behind a text written directly", Written("dir", 100), [](OCString& s) { s.Append("\\x"); },
         {"dir\\x", 128, 5, 0}},
    });
}

TEST(OCStringQueries, LengthAndEmptiness) {
    const OCString none;
    EXPECT_EQ(0, none.GetLength());
    EXPECT_EQ(1, none.IsEmpty());
    EXPECT_EQ(nullptr, none.GetText());

    const OCString empty("");
    EXPECT_EQ(1, empty.IsEmpty());
    ASSERT_NE(nullptr, empty.GetText());
    EXPECT_EQ('\0', empty.GetText()[0]);

    OCString written;
    Written("abcd")(written);
    EXPECT_EQ(4, written.GetLength());  // measured, while length still says 0
    EXPECT_EQ(0, written.length);
    EXPECT_EQ(0, written.IsEmpty());
}

TEST(OCStringQueries, GetChar) {
    struct Row {
        const char* name;
        Prepare setup;
        std::uint32_t expected;
    };
    const std::vector<Row> rows = {
        {"a double-byte character", Written("\x95\x5C"), 0x955C},
        {"from the cursor", Written("a\x82\xA0", 63, 1), 0x82A0},
        {"a lead byte before the terminator", Written(std::string("\x95\0\x5C", 3)), 0},
        {"a lead byte before 0x20", Written("\x82\x20"), 0},
        {"a lead byte before 0x7F", Written("\x81\x7F"), 0},
        {"the lowest second byte", Written("\x81\x40"), 0x8140},
        {"the highest second byte", Written("\xFC\xFC"), 0xFCFC},
        {"a lead byte before 0xFD", Written("\xE0\xFD"), 0},
        {"a half-width katakana", Written("\xB1"), 0xB1},
        {"a letter", Text("a"), 'a'},
        {"at the terminator", Text("a", 1), 0},
        {"no buffer", NoBuffer(), 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OCString text;
        row.setup(text);
        EXPECT_EQ(row.expected, text.GetChar());
    }
}

TEST(OCStringQueries, CompareNoCase) {
    // An argument with a byte behind its terminator that a comparison must not reach.
    static const char loneLead[] = "a\x95\0\x5C";
    struct Row {
        const char* name;
        Prepare setup;
        const char* text;
        int expected;
        // Wine's _mbsicmp takes a lead byte and the terminator after it for one character
        // and compares on past the end of the argument.
        bool wineDiffers;
    };
    const std::vector<Row> rows = {
        {"null cursor and null text", NoBuffer(), nullptr, 0, false},
        {"null cursor and a text", NoBuffer(), "x", -1, false},
        {"a cursor and null text", Text("abc"), nullptr, 1, false},
        {"letters without case", Text("ABC"), "abc", 0, false},
        {"from the cursor to the end", Text("xyABC", 2), "abc", 0, false},
        {"greater, as 1", Text("abz"), "aba", 1, false},
        {"less, as -1", Text("aba"), "abz", -1, false},
        {"a shorter text is less", Text("ab"), "abc", -1, false},
        {"against an empty text", Text("abc"), "", 1, false},
        {"full-width letters without case", Text("\x82\x60"), "\x82\x81", 0, false},
        {"a double-byte character as a unit", Text("\x95\x5C"), "\x95\x5D", -1, false},
        {"a lone lead byte against itself", Written(std::string(loneLead, 4)), loneLead, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OCString text;
        row.setup(text);
        const int result = text.CompareNoCase(row.text);
        if (row.wineDiffers && RunningUnderWine()) continue;
        EXPECT_EQ(row.expected, result);
    }
}

TEST(OCStringCursor, Movement) {
    enum Move { Next, Previous, ToStart, ToEnd };
    struct Row {
        const char* name;
        Prepare setup;
        Move move;
        long expected;
    };
    const std::vector<Row> rows = {
        {"next over a double-byte character", Written("\x95\x5C" "A"), Next, 2},
        {"next at the terminator stays", Text("ab", 2), Next, 2},
        {"next over a lone lead byte stops at the terminator", Written(std::string("a\x95\0\x5C", 4), 63, 1), Next, 2},
        {"previous lands on the lead byte", Written("a\x95\x5C", 63, 3), Previous, 1},
        {"previous over a lone lead byte", Written("a\x95", 63, 2), Previous, 1},
        {"previous at the first byte stays", Text("ab"), Previous, 0},
        {"to the start", Text("abc", 2), ToStart, 0},
        {"to the end measures", Written("abcd"), ToEnd, 4},
        {"next without buffer", NoBuffer(), Next, -1},
        {"previous without buffer", NoBuffer(), Previous, -1},
        {"start without buffer", NoBuffer(), ToStart, -1},
        {"end without buffer", NoBuffer(), ToEnd, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OCString text;
        row.setup(text);
        switch (row.move) {
            case Next: EXPECT_EQ(text.MoveNext(), text.cursor); break;
            case Previous: EXPECT_EQ(text.MovePrevious(), text.cursor); break;
            case ToStart: text.MoveToStart(); break;
            case ToEnd: text.MoveToEnd(); break;
        }
        EXPECT_EQ(row.expected, CursorOf(text));
    }
}

TEST(OCStringCursor, SetCursor) {
    const Prepare shortened = [](OCString& s) {
        Text("abcdef")(s);
        s.buffer[2] = '\0';
    };
    struct Row {
        const char* name;
        Prepare setup;
        int offset;
        int origin;
        long expected;
    };
    const std::vector<Row> rows = {
        {"onto the terminator", Text("abcdef"), 6, 0, 6},
        {"beyond the length: stays", Text("abcdef", 1), 7, 0, 1},
        {"before the start: stays", Text("abcdef"), -1, 1, 0},
        {"an unknown origin: stays", Text("abcdef", 2), 1, 2, 2},
        {"forwards from the cursor", Text("abcdef", 3), 2, 1, 5},
        {"back from the cursor", Text("abcdef", 3), -3, 1, 0},
        {"from the cursor beyond the length: stays", Text("abcdef", 3), 4, 1, 3},
        {"the recorded length bounds a longer text", Written("abc"), 1, 0, 0},
        {"never beyond the terminator of a shortened text", shortened, 4, 0, 0},
        {"up to the terminator of a shortened text", shortened, 2, 0, 2},
        {"no buffer", NoBuffer(), 0, 0, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OCString text;
        row.setup(text);
        EXPECT_EQ(text.SetCursor(row.offset, row.origin), text.cursor);
        EXPECT_EQ(row.expected, CursorOf(text));
    }
}

enum class Search { Find, FindLast, FindOneOf, SkipOver };

char* RunSearch(OCString& text, Search search, std::uint32_t character, const char* set) {
    switch (search) {
        case Search::Find: return text.Find(character);
        case Search::FindLast: return text.FindLast(character);
        case Search::FindOneOf: return text.FindOneOf(set);
        case Search::SkipOver: return text.SkipOver(set);
    }
    return nullptr;
}

TEST(OCStringSearch, DoubleByteCharactersAreUnits) {
    // A text that ends in a lead byte, with bytes behind its terminator that a search that
    // takes the terminator for a second byte would find.
    const std::string loneLead("a\x95\0\x5C" "b", 5);
    struct Row {
        const char* name;
        Prepare setup;
        Search search;
        std::uint32_t character;
        const char* set;
        long found;  // -1: null, and the cursor stays
    };
    const std::vector<Row> rows = {
        {"find: a second byte is no backslash", Written("\x95\x5C\x5C"), Search::Find, 0x5C, nullptr, 2},
        {"find: from the cursor on", Text("abcb", 2), Search::Find, 'b', nullptr, 3},
        {"find: at the cursor itself", Text("abcb", 1), Search::Find, 'b', nullptr, 1},
        {"find: a double-byte code", Written("a\x95\x5C"), Search::Find, 0x955C, nullptr, 1},
        {"find: none", Text("abc", 1), Search::Find, 'x', nullptr, -1},
        {"find: a lone lead byte ends the text", Written(loneLead), Search::Find, 0x5C, nullptr, -1},
        {"find: nothing behind a lone lead byte", Written(loneLead), Search::Find, 'b', nullptr, -1},
        {"find last: at or after the cursor", Text("abca", 1), Search::FindLast, 'a', nullptr, 3},
        {"find last: only before the cursor", Text("abc", 1), Search::FindLast, 'a', nullptr, -1},
        {"find last: second bytes are skipped", Written("\\\x95\x5C"), Search::FindLast, 0x5C, nullptr, 0},
        {"find last: a lone lead byte ends the text", Written(loneLead), Search::FindLast, 0x5C, nullptr, -1},
        {"find last: before a lone lead byte", Written(loneLead), Search::FindLast, 'a', nullptr, 0},
        {"one of: the first of a set", Text("ab/c\\d"), Search::FindOneOf, 0, "\\/", 2},
        {"one of: a second byte is no member", Written("\x95\x5C/"), Search::FindOneOf, 0, "\\/", 2},
        {"one of: a double-byte member", Text("ab\x82\xA0"), Search::FindOneOf, 0, "\x82\xA0", 2},
        {"one of: none", Text("abc", 1), Search::FindOneOf, 0, "xyz", -1},
        {"one of: a lone lead byte ends the text", Written(std::string("a\x95\0\\", 4)), Search::FindOneOf, 0, "\\",
         -1},
        {"skip: past a run", Text("  \tab"), Search::SkipOver, 0, " \t", 3},
        {"skip: only set characters remain", Text("x   ", 1), Search::SkipOver, 0, " ", -1},
        {"skip: nothing remains", Text("ab", 2), Search::SkipOver, 0, " ", -1},
        {"skip: a null set", Text("ab"), Search::SkipOver, 0, nullptr, -1},
        {"skip: a double-byte character is not its second byte", Written("\x95\x5C"), Search::SkipOver, 0, "\\", 0},
        {"skip: a lone lead byte is a character", Written("a\x95"), Search::SkipOver, 0, "a", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OCString text;
        row.setup(text);
        const long before = CursorOf(text);
        const char* result = RunSearch(text, row.search, row.character, row.set);
        if (row.found < 0) {
            EXPECT_EQ(nullptr, result);
            EXPECT_EQ(before, CursorOf(text));
        } else {
            EXPECT_EQ(text.buffer + row.found, result);
            EXPECT_EQ(row.found, CursorOf(text));
        }
    }
    for (Search search : {Search::Find, Search::FindLast, Search::FindOneOf, Search::SkipOver}) {
        OCString none;
        EXPECT_EQ(nullptr, RunSearch(none, search, 'a', "a"));
        EXPECT_EQ(nullptr, none.cursor);
    }
}

TEST(OCStringExtract, Ranges) {
    struct Row {
        const char* name;
        Prepare source;
        int from;  // offsets into the source; -1 for a null position
        int to;
        Expected expected;
    };
    const Prepare abcdef = Text("abcdef");
    const Prepare shortened = [](OCString& s) {
        Text("abcdef")(s);
        s.buffer[3] = '\0';
    };
    const std::vector<Row> rows = {
        {"from the fifth byte back to the second", abcdef, 4, 1, {"bcd", 64, 3, 0}},
        {"null positions: the whole text", abcdef, -1, -1, {"abcdef", 64, 6, 0}},
        {"up to the terminator", abcdef, 2, 6, {"cdef", 64, 4, 0}},
        {"beyond the terminator: nothing", abcdef, 1, 7, {"keep", 64, 4, 2}},
        {"beyond a shortened text: nothing", shortened, 1, 5, {"keep", 64, 4, 2}},
        {"an empty range: no buffer", abcdef, 3, 3, kNoBuffer},
        {"from a string without buffer: an empty text", NoBuffer(), -1, -1, {"", 64, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OCString source;
        row.source(source);
        OCString out;
        Text("keep", 2)(out);
        source.Extract(out, row.from < 0 ? nullptr : source.buffer + row.from,
                       row.to < 0 ? nullptr : source.buffer + row.to);
        ExpectState(out, row.expected);
    }
    // A position of another text lies outside a string without buffer.
    OCString none;
    OCString out("keep");
    const OCString other("xyz");
    none.Extract(out, other.buffer, nullptr);
    ExpectState(out, {"keep", 64, 4, 0});
}

TEST(OCStringDelete, CountsAndPositions) {
    struct Row {
        const char* name;
        Prepare setup;
        int count;
        int position;
        Expected expected;
    };
    const Prepare abcdef = Text("abcdef");
    const std::vector<Row> rows = {
        {"two at the second byte", abcdef, 2, 1, {"adef", 64, 4, 1}},
        {"a count past the end removes the rest", abcdef, 3, 5, {"abcde", 64, 5, 5}},
        {"a position beyond the text: at the cursor", abcdef, 2, 9, {"cdef", 64, 4, 0}},
        {"a count beyond the text clears", abcdef, 7, 0, kNoBuffer},
        {"a count of 0 removes from the position on", abcdef, 0, 3, {"abc", 64, 3, 3}},
        {"everything: the buffer stays", abcdef, 0, 0, {"", 64, 0, 0}},
        {"at the cursor", Text("abcdef", 2), 1, -1, {"abdef", 64, 5, 2}},
        {"into a buffer sized for the result", Text(k100), 0, 10, {std::string(10, 'a'), 64, 10, 10}},
        {"no buffer stays so", NoBuffer(), 0, -1, kNoBuffer},
        {"the recorded length bounds the position", Written("abcdef"), 1, 2, {"bcdef", 64, 5, 0}},
        {"a cursor beyond a shortened text deletes at its end",
         [](OCString& s) {
             Text("abcdef", 5)(s);
             s.buffer[3] = '\0';
         },
         1, -1, {"abc", 64, 3, 3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OCString text;
        row.setup(text);
        const char* result = text.Delete(row.count, row.position);
        ExpectState(text, row.expected);
        EXPECT_EQ(text.cursor, result);
    }
}

TEST(OCStringReplace, Occurrences) {
    struct Row {
        const char* name;
        Prepare setup;
        const char* find;
        const char* replacement;
        Expected expected;
        bool sameBuffer;
    };
    const std::vector<Row> rows = {
        {"CR LF to LF", Text("a\r\nb\r\n", 3), "\r\n", "\n", {"a\nb\n", 64, 4, 0}, false},
        {"left to right, never overlapping", Text("aaa"), "aa", "X", {"Xa", 64, 2, 0}, false},
        {"back to back", Text("aaaa"), "aa", "X", {"XX", 64, 2, 0}, false},
        {"null replacement removes", Text("abcabc"), "b", nullptr, {"acac", 64, 4, 0}, false},
        {"the whole text, wherever the cursor", Text("a-b-c", 4), "-", "+", {"a+b+c", 64, 5, 0}, false},
        {"a second byte never matches", Written("\x95\x5C\\"), "\\", "/", {"\x95\x5C/", 64, 3, 0}, false},
        {"grows", Text(std::string(40, 'a')), "a", "bb", {std::string(80, 'b'), 128, 80, 0}, false},
        {"shrinks to the new length", Text(k100), "aaaaaaaaaa", "b", {"bbbbbbbbbb", 64, 10, 0}, false},
        {"an empty result keeps a buffer", Text("aaa"), "a", nullptr, {"", 64, 0, 0}, false},
        {"no occurrence: the cursor goes first", Text("abc", 2), "x", "y", {"abc", 64, 3, 0}, true},
        {"nothing behind a lone lead byte", Written(std::string("a\x95\0\\", 4)), "\\", "/", {"a\x95", 64, 0, 0}, true},
        {"an empty find text: nothing at all", Text("abc", 2), "", "y", {"abc", 64, 3, 2}, true},
        {"no buffer stays so", NoBuffer(), "a", "b", kNoBuffer, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OCString text;
        row.setup(text);
        const char* before = text.buffer;
        text.Replace(row.find, row.replacement);
        ExpectState(text, row.expected);
        if (row.sameBuffer) {
            EXPECT_EQ(before, text.buffer);
        }
    }
}

TEST(OCStringReplace, AFailedAllocationThrowsAndKeepsTheText) {
    std::string original;
    for (int i = 0; i < 30; ++i) original += "ab";
    const std::string replacement(100, 'y');
    int refusals = 0;
    // Refuse each allocation in turn, from the temporary's first to the final copy.
    for (int granted = 0;; ++granted) {
        SCOPED_TRACE(granted);
        OCString text(original.c_str());
        text.cursor += 5;
        const char* buffer = text.buffer;
        try {
            RefuseAllocations refuse(granted);
            text.Replace("b", replacement.c_str());
            EXPECT_EQ(0, refuse.Refused());
        } catch (const OCException& error) {
            ++refusals;
            EXPECT_EQ(-1, error.code);
            EXPECT_EQ(nullptr, dynamic_cast<const OCErrorException*>(&error));
            EXPECT_EQ(buffer, text.buffer);
            ExpectState(text, {original, 64, 60, 5});
            continue;
        }
        EXPECT_EQ(30u * 101, text.GetText() ? std::string(text.GetText()).size() : 0);
        break;
    }
    EXPECT_GT(refusals, 2);
}

TEST(OCStringRemoveChars, FromTheCursorOn) {
    RunChanges({
        {"spaces around and between", Text(" a b "), [](OCString& s) { s.RemoveChars(" "); }, {"ab", 64, 2, 0}},
        {"the text before the cursor stays", Text(" a b ", 3), [](OCString& s) { s.RemoveChars(" "); },
         {" a b", 64, 4, 0}},
        {"nothing left: no buffer", Text("   "), [](OCString& s) { s.RemoveChars(" "); }, kNoBuffer},
        {"nothing to remove", Text("abc", 2), [](OCString& s) { s.RemoveChars("x"); }, {"abc", 64, 3, 0}},
        {"runs of several", Text("a,; b;;c"), [](OCString& s) { s.RemoveChars(",; "); }, {"abc", 64, 3, 0}},
        {"second bytes stay", Written("\x95\x5C\\a"), [](OCString& s) { s.RemoveChars("\\"); },
         {"\x95\x5C" "a", 64, 3, 0}},
        {"a double-byte member", Text("a\x82\xA0" "b\x82\xA0"), [](OCString& s) { s.RemoveChars("\x82\xA0"); },
         {"ab", 64, 2, 0}},
        {"an empty text keeps its buffer", Text(""), [](OCString& s) { s.RemoveChars(" "); }, {"", 64, 0, 0}},
        {"no buffer stays so", NoBuffer(), [](OCString& s) { s.RemoveChars(" "); }, kNoBuffer},
    });
}

TEST(OCStringGetToken, RunsBetweenDelimiters) {
    struct Token {
        std::string text;
        long offset;
    };
    struct Row {
        const char* name;
        std::string text;
        const char* delimiters;
        int keepDelimiter;
        std::vector<Token> tokens;
    };
    const std::vector<Row> rows = {
        {"lines", "\r\n\r\nabc\r\ndef", "\r\n", 0, {{"abc", 4}, {"def", 9}}},
        {"keeping the delimiter", "ab,cd", ",", 1, {{"ab,", 0}, {"cd", 3}}},
        {"keeping a double-byte delimiter", "a\x82\xA0" "b", "\x82\xA0", 1, {{"a\x82\xA0", 0}, {"b", 3}}},
        {"a second byte is no delimiter", "\x95\x5C\\x", "\\", 0, {{"\x95\x5C", 0}, {"x", 3}}},
        {"trailing and repeated delimiters give no empty token", "a,,b,,", ",", 0, {{"a", 0}, {"b", 3}}},
        {"only delimiters", ",,,", ",", 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OCString text(row.text.c_str());
        for (const Token& token : row.tokens) {
            OCString out;
            const char* start = text.GetToken(out, row.delimiters, row.keepDelimiter);
            EXPECT_EQ(text.buffer + token.offset, start);
            const int tokenLength = static_cast<int>(token.text.size());
            ExpectState(out, {token.text, ((tokenLength + 1) & ~63) + 64, tokenLength, 0});
        }
        // At the end: null, and neither the cursor nor out changes.
        const long cursor = CursorOf(text);
        OCString out("keep");
        EXPECT_EQ(nullptr, text.GetToken(out, row.delimiters, row.keepDelimiter));
        EXPECT_EQ(cursor, CursorOf(text));
        ExpectState(out, {"keep", 64, 4, 0});
    }

    // A lone lead byte ends the last token, though a delimiter lies behind the terminator.
    OCString loneLead;
    Written(std::string("a\x95\0\r\nb", 6))(loneLead);
    OCString last;
    EXPECT_EQ(loneLead.buffer, loneLead.GetToken(last, "\r\n", 0));
    EXPECT_EQ(2, CursorOf(loneLead));
    ExpectState(last, {std::string("a\x95"), 64, 2, 0});

    OCString none;
    OCString out("keep");
    EXPECT_EQ(nullptr, none.GetToken(out, ",", 0));
    OCString text("a,b");
    EXPECT_EQ(nullptr, text.GetToken(out, nullptr, 0));
    EXPECT_EQ(0, CursorOf(text));
    ExpectState(out, {"keep", 64, 4, 0});
}

TEST(OCStringAllocation, AFailedAllocationLeavesNoBuffer) {
    RunChanges({
        {"reserve drops the old text", Text("abc", 2), [](OCString& s) { RefuseAllocations refuse; s.Reserve(100); },
         kNoBuffer},
        {"append", Text("abc"),
         [](OCString& s) {
             RefuseAllocations refuse;
             s.Append(std::string(64, 'x').c_str());
         },
         kNoBuffer},
        {"assign", Text("abc"), [](OCString& s) { RefuseAllocations refuse; s.Assign("xyz"); }, kNoBuffer},
        {"delete", Text("abcdef", 2),
         [](OCString& s) {
             RefuseAllocations refuse;
             EXPECT_EQ(nullptr, s.Delete(1, -1));
         },
         kNoBuffer},
        {"delete, the last copy refused", Text("abcdef", 2),
         [](OCString& s) {
             RefuseAllocations refuse(1);
             EXPECT_EQ(nullptr, s.Delete(1, -1));
         },
         kNoBuffer},
        {"remove chars", Text("a b"), [](OCString& s) { RefuseAllocations refuse; s.RemoveChars(" "); }, kNoBuffer},
        {"the token's out string", Text("ab,cd"),
         [](OCString& s) {
             OCString out("keep");
             {
                 RefuseAllocations refuse;
                 EXPECT_EQ(s.buffer, s.GetToken(out, ",", 0));
             }
             ExpectState(out, kNoBuffer);
         },
         {"ab,cd", 64, 5, 2}},
    });
    RefuseAllocations refuse;
    ExpectState(OCString(10), kNoBuffer);
    ExpectState(OCString("abc"), kNoBuffer);
}

TEST(OCStringShowMessage, AsksTheOwnerOrTheProcessWideOne) {
    HWND const previous = messageOwner;
    messageOwner = reinterpret_cast<HWND>(0x1234);
    DialogAnswers answers({IDRETRY, IDIGNORE});
    const OCString text("\x83\x74\x83\x40\x83\x43\x83\x8b");  // "file"
    EXPECT_EQ(IDRETRY, text.ShowMessage(nullptr, "caption", MB_ABORTRETRYIGNORE));
    EXPECT_EQ(IDIGNORE, text.ShowMessage(reinterpret_cast<HWND>(0x5678), "other", MB_OK));
    messageOwner = previous;

    ASSERT_EQ(2u, answers.Shown().size());
    const ShownMessage& first = answers.Shown()[0];
    EXPECT_EQ(reinterpret_cast<HWND>(0x1234), first.owner);
    EXPECT_EQ(text.GetText(), first.text);
    EXPECT_EQ("caption", first.caption);
    EXPECT_EQ(static_cast<UINT>(MB_ABORTRETRYIGNORE | MB_TOPMOST), first.type);
    const ShownMessage& second = answers.Shown()[1];
    EXPECT_EQ(reinterpret_cast<HWND>(0x5678), second.owner);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_TOPMOST), second.type);
}

TEST(OCErrorException, TakesTheLastErrorAndTheText) {
    struct Row {
        const char* name;
        DWORD lastError;
        std::int32_t code;
    };
    const std::vector<Row> rows = {
        {"a system error", ERROR_FILE_NOT_FOUND, 2},
        {"no system error", ERROR_SUCCESS, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const char text[] = "\x83\x66\x81\x5b\x83\x5e";  // "data"
        SetLastError(row.lastError);
        const OCErrorException error(text);
        EXPECT_EQ(row.code, error.code);
        EXPECT_NE(text, error.message.GetText());
        EXPECT_STREQ(text, error.message.GetText());

        const OCErrorException copy(error);
        EXPECT_EQ(row.code, copy.code);
        EXPECT_NE(error.message.GetText(), copy.message.GetText());
        EXPECT_STREQ(text, copy.message.GetText());
    }
    try {
        SetLastError(ERROR_ACCESS_DENIED);
        throw OCErrorException("x");
    } catch (const OCException& error) {
        EXPECT_EQ(5, error.code);
    }
    EXPECT_EQ(-1, OCException().code);
}

}  // namespace
