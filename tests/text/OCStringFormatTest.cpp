#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/text/StringFixtures.h"
#include "tests/text/TestHeap.h"
#include "text/OCString.h"

namespace {

using Appender = std::function<void(OCString&, const char* format)>;

// The estimate shows in the room the first reservation makes: a format whose estimate,
// together with the bytes before it, is one short of a step of 64 stays in that step, and
// one byte more takes the next. The formatted text of every row fits its estimate.
TEST(OCStringFormatEstimate, ReservesWhatTheConversionCanProduce) {
    struct Row {
        const char* name;
        const char* conversion;
        int estimate;
        Appender append;
    };
    static const char16_t wide[] = u"wide";
    static const char16_t ab[] = u"ab";
    const std::vector<Row> rows = {
        {"a null string", "%s", 6, [](OCString& s, const char* f) { s.AppendFormat(f, static_cast<char*>(nullptr)); }},
        {"a string", "%s", 5, [](OCString& s, const char* f) { s.AppendFormat(f, "abcde"); }},
        {"an empty string counts 1", "%s", 1, [](OCString& s, const char* f) { s.AppendFormat(f, ""); }},
        {"cut to the precision, raised to the width", "%5.2s", 5,
         [](OCString& s, const char* f) { s.AppendFormat(f, "abcdef"); }},
        {"cut to the precision", "%.2s", 2, [](OCString& s, const char* f) { s.AppendFormat(f, "abcdef"); }},
        {"a precision from the arguments", "%.*s", 3, [](OCString& s, const char* f) { s.AppendFormat(f, 3, "abcdef"); }},
        {"a character", "%c", 2, [](OCString& s, const char* f) { s.AppendFormat(f, 'a'); }},
        {"a character raised to the width", "%10c", 10, [](OCString& s, const char* f) { s.AppendFormat(f, 'a'); }},
        {"16-bit characters", "%S", 4, [](OCString& s, const char* f) { s.AppendFormat(f, wide); }},
        {"null 16-bit characters", "%S", 6,
         [](OCString& s, const char* f) { s.AppendFormat(f, static_cast<char16_t*>(nullptr)); }},
        {"a byte string after h", "%hS", 7, [](OCString& s, const char* f) { s.AppendFormat(f, "abcdefg"); }},
        {"16-bit characters after l", "%ls", 2, [](OCString& s, const char* f) { s.AppendFormat(f, ab); }},
        {"an integer", "%d", 32, [](OCString& s, const char* f) { s.AppendFormat(f, 7); }},
        {"width and precision", "%20.15d", 35, [](OCString& s, const char* f) { s.AppendFormat(f, 7); }},
        {"a width from the arguments", "%*d", 40, [](OCString& s, const char* f) { s.AppendFormat(f, 40, 7); }},
        {"an alternate form", "%#x", 34, [](OCString& s, const char* f) { s.AppendFormat(f, 255); }},
        {"a 64-bit integer, and the string behind it", "%I64d%s", 35,
         [](OCString& s, const char* f) { s.AppendFormat(f, 1LL << 40, "abc"); }},
        {"a character after I64 still takes its argument", "%I64c%s", 8,
         [](OCString& s, const char* f) { s.AppendFormat(f, 'x', "abcdefgh"); }},
        {"a pointer", "%p", 32, [](OCString& s, const char* f) { s.AppendFormat(f, static_cast<void*>(nullptr)); }},
        {"a floating-point number", "%e", 128, [](OCString& s, const char* f) { s.AppendFormat(f, 1.5); }},
        {"a floating-point number, width and precision", "%20.120e", 140,
         [](OCString& s, const char* f) { s.AppendFormat(f, 1.5); }},
        {"fixed point: 1.500000", "%f", 8, [](OCString& s, const char* f) { s.AppendFormat(f, 1.5); }},
        {"fixed point with a precision", "%.2f", 10, [](OCString& s, const char* f) { s.AppendFormat(f, 1.5); }},
        {"fixed point with a width", "%12f", 12, [](OCString& s, const char* f) { s.AppendFormat(f, 1.5); }},
        {"a large fixed-point number", "%f", 28, [](OCString& s, const char* f) { s.AppendFormat(f, 1e20); }},
        {"a doubled percent sign", "%%", 1, [](OCString& s, const char* f) { s.AppendFormat(f); }},
        {"a double-byte character", "\x82\xA0", 2, [](OCString& s, const char* f) { s.AppendFormat(f); }},
        {"a format that ends inside a conversion", "%5", 0, [](OCString& s, const char* f) { s.AppendFormat(f); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const int step = (row.estimate / 64 + 1) * 64;
        for (int over = 0; over <= 1; ++over) {
            const std::string format = std::string(step - 1 - row.estimate + over, 'x') + row.conversion;
            OCString text;
            row.append(text, format.c_str());
            EXPECT_EQ(step + 64 * over, text.capacity) << format;
        }
    }
}

TEST(OCStringAppendFormat, Results) {
    const std::string sixty(60, 'x');
    static const char16_t ab[] = u"ab";
    // No code page has a character for half a surrogate pair: the runtime cannot format it.
    static const char16_t unpaired[] = {0xD800, 0};
    struct Row {
        const char* name;
        Prepare setup;
        std::function<void(OCString&)> act;
        Expected expected;
    };
    const std::vector<Row> rows = {
        {"behind the text, the cursor kept", Text("abc", 1), [](OCString& s) { s.AppendFormat("%d", 7); },
         {"abc7", 64, 4, 1}},
        {"a negative width from the arguments: all of it", NoBuffer(),
         [](OCString& s) { s.AppendFormat("%*d", -100, 7); }, {"7" + std::string(99, ' '), 128, 100, 0}},
        {"a negative string width: all of it", Text("ab"), [](OCString& s) { s.AppendFormat("%*s|", -100, "y"); },
         {"aby" + std::string(99, ' ') + "|", 128, 103, 0}},
        {"a null string", NoBuffer(), [](OCString& s) { s.AppendFormat("%s", static_cast<char*>(nullptr)); },
         {"(null)", 64, 6, 0}},
        {"16-bit characters", NoBuffer(), [](OCString& s) { s.AppendFormat("%S", ab); }, {"ab", 64, 2, 0}},
        {"a zero character ends the text", Text("ab"), [](OCString& s) { s.AppendFormat("%c%s", 0, "cd"); },
         {"ab", 64, 2, 0}},
        {"what the runtime cannot format appends nothing", Text("abc", 1),
         [](OCString& s) { s.AppendFormat("%S", unpaired); }, {"abc", 64, 3, 1}},
        {"a growing buffer keeps the cursor's offset", Text(sixty, 3),
         [](OCString& s) { s.AppendFormat("%s", "abcdefgh"); }, {sixty + "abcdefgh", 128, 68, 3}},
        // A direct write made the text longer than recorded: the new text starts at the
        // recorded length, and the cursor stays within what remains.
        {"at the recorded length, the cursor within the text", Written("abc\\def"),
         [](OCString& s) {
             s.Find('\\');
             s.AppendFormat("%d", 7);
         },
         {"7", 64, 1, 1}},
        {"format: an empty format gives an empty text", NoBuffer(), [](OCString& s) { s.Format(""); },
         {"", 64, 0, 0}},
        {"format: the text replaced, the cursor first", Text("abcdef", 3),
         [](OCString& s) { s.Format("%s-%d", "x", 5); }, {"x-5", 64, 3, 0}},
        {"a refused allocation leaves no buffer", Text("abc", 1),
         [](OCString& s) {
             testheap::RefuseAllocations refuse;
             s.AppendFormat("%s", std::string(64, 'y').c_str());
         },
         kNoBuffer},
        {"format: a refused allocation leaves no buffer", Text("abc"),
         [](OCString& s) {
             testheap::RefuseAllocations refuse;
             s.Format("%d", 1);
         },
         kNoBuffer},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OCString text;
        row.setup(text);
        row.act(text);
        ExpectState(text, row.expected);
    }
}

// Every length of text before the conversion against widths around each step, the estimate
// falling short by up to a step and more: the text comes out whole, and no block's guard
// bytes behind its reservation are touched.
TEST(OCStringAppendFormat, NeverWritesBeyondTheReservation) {
    const int before = testheap::OverrunBlocks();
    for (int prefix = 0; prefix < 140; ++prefix) {
        for (int width : {1, 2, 31, 32, 33, 63, 64, 65, 66, 127, 128, 129, 200}) {
            SCOPED_TRACE(testing::Message() << prefix << " bytes, width " << width);
            const std::string start(static_cast<std::size_t>(prefix), 'x');
            OCString number(start.c_str());
            number.AppendFormat("%*d", -width, 7);
            EXPECT_EQ(start + "7" + std::string(static_cast<std::size_t>(width - 1), ' '), number.GetText());
            EXPECT_LE(number.length, number.capacity);

            OCString word(start.c_str());
            word.AppendFormat("%*s", -width, "y");
            EXPECT_EQ(start + "y" + std::string(static_cast<std::size_t>(width - 1), ' '), word.GetText());
        }
    }
    EXPECT_EQ(before, testheap::OverrunBlocks());
}

}  // namespace
