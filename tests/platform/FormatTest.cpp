// Formatting with msvcrt's conventions: our host layer and the real msvcrt under Wine
// answer the same cases.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tests/support/Scratch.h"

namespace {

// The text _vsnprintf makes, or "<failed>" when it returns -1. Called through our own
// variadic function, so that no compiler checks the formats against its own conventions.
std::string Print(const char* format, ...) {
    char buffer[1024];
    va_list arguments;
    va_start(arguments, format);
    const int length = _vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    return length < 0 ? "<failed>" : std::string(buffer, static_cast<std::size_t>(length));
}

int Measure(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int length = _vscprintf(format, arguments);
    va_end(arguments);
    return length;
}

// "%p" prints as many upper-case hexadecimal digits as a pointer has.
std::string PointerDigits(const std::string& digits) {
    return std::string(2 * sizeof(void*) - digits.size(), '0') + digits;
}

double Bits(std::uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

struct Case {
    const char* name;
    std::string got;
    std::string expected;
    const char* wineDiffers = nullptr;  // why Wine's answer differs from msvcrt's, or null
};

void Check(const std::vector<Case>& cases) {
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        if (row.wineDiffers && RunningUnderWine()) continue;
        EXPECT_EQ(row.expected, row.got);
    }
}

TEST(Format, MsvcrtConversions) {
    const std::vector<Case> cases = {
        {"one of each, as msvcrt gave them",
         Print("%I64d|%S|%hs|%C|%5.2s|%s|%e|%y|%ld|%hd|%#x|%10c|%-5d|%05.1f|%g", -5LL, u"wide", "narrow", u'W',
               "abcdef", static_cast<const char*>(nullptr), 1.5, 7L, 70000, 255, 'q', 3, 2.25, 1e20),
         "-5|wide|narrow|W|   ab|(null)|1.500000e+000|y|7|4464|0xff|         q|3    |002.3|1e+020"},
        {"pointer", Print("%p", reinterpret_cast<void*>(0x1234)), PointerDigits("1234")},
        {"pointer with '#' and a width", Print("[%#20p]", reinterpret_cast<void*>(0x12)),
         "[" + std::string(18 - 2 * sizeof(void*), ' ') + "0X" + PointerDigits("12") + "]"},
        {"64-bit sizes", Print("%I64u|%I64X|%llx|%lli", ~0ULL, ~0ULL, 0x123456789abcULL, -(1LL << 40)),
         "18446744073709551615|FFFFFFFFFFFFFFFF|123456789abc|-1099511627776"},
        {"32-bit and pointer sizes", Print("%I32d|%Id|%u|%x", 42, static_cast<std::intptr_t>(42), -1, -1),
         "42|42|4294967295|ffffffff"},
        {"short sizes", Print("%hu|%hx|%ho", 70000, 0x12345, -1), "4464|2345|177777"},
        {"an 'I' without a size prints itself", Print("%I|%I6d|%Is", 1, 2, 3), "I|I6d|Is"},
        {"size prefixes F, N and L are passed over", Print("%Fs|%Ns|%Ld", "f", "n", 5), "f|n|5"},
        {"star width and precision", Print("%*d|%-*d|%.*s|", 4, 1, 4, 2, 2, "abc"), "   1|2   |ab|"},
        {"a negative star width left-justifies", Print("%*d|", -4, 1), "1   |"},
        {"a negative star precision is none", Print("%.*s|%.*d|", -1, "abc", -3, 5), "abc|5|"},
        {"flags on integers", Print("%+d|% d|%+ d|%+.3d|%.3d|%#o|%#X|%#x", 5, 5, 1, -7, -1, 8, 255, 0),
         "+5| 5|+1|-007|-001|010|0XFF|0"},
        {"zeros, precision and width together", Print("%08.3d|%#08x|%#.3x|%-08d|%+05d", 5, 1, 1, 5, 5),
         "00000005|0x000001|0x001|5       |+0005"},
        {"precision 0 prints no digit for 0", Print("[%.0d|%5.0d|%+.0d]", 0, 0, 0), "[|     |+]"},
        {"the lowest int", Print("%d", std::numeric_limits<int>::min()), "-2147483648"},
        {"strings: precision cuts bytes, zeros pad", Print("%.3s|%05s|%-5s|%.3s", "\x95\x5c\x95\x5c", "ab", "ab",
                                                           static_cast<const char*>(nullptr)),
         "\x95\x5c\x95|000ab|ab   |(nu"},
        {"flags without effect on strings and characters", Print("% s|%+s|%#s|%.2c|%05c", "a", "a", "a", 'a', 'a'),
         "a|a|a|a|0000a"},
        {"16-bit strings and characters", Print("%ls|%ws|%lc|%wc|%.3S|%5S|%-3C|", u"ls", u"ws", u'x', u'y', u"abcdef",
                                                u"ab", u'a'),
         "ls|ws|x|y|abc|   ab|a  |"},
        {"16-bit characters up to FF are bytes", Print("%S|%C", u"a\u00e9b", 0xE9), "a\xe9" "b|\xe9"},
        {"null 16-bit string", Print("%S|%ls", static_cast<const char16_t*>(nullptr), static_cast<const char16_t*>(nullptr)),
         "(null)|(null)"},
        {"narrow strings and characters through 'h'", Print("%hS|%hC|%hc", "hS", 'k', 'z'), "hS|k|z"},
        {"a 16-bit character above FF prints nothing", Print("x%Cy|x%lcy", 0x30BD, 0x100), "xy|xy"},
        {"a 16-bit string with a character above FF fails", Print("x%Sy", u"\u30bd\u8868"), "<failed>"},
        {"a zero character is written", Print("a%cb", 0), std::string("a\0b", 3)},
        {"unknown letters print themselves", Print("%y|%Z|%5y|", 1), "y|Z|y|"},
        {"a doubled percent sign", Print("100%%"), "100%"},
        {"a format ending inside a conversion", Print("ab%-5"), "ab"},
        {"a format ending after a size", Print("ab%I64"), "ab"},
    };
    Check(cases);
}

TEST(Format, MsvcrtFloatingPoint) {
    const double infinity = std::numeric_limits<double>::infinity();
    const double indefinite = Bits(0xFFF8000000000000ULL);  // what x87 gives for 0/0
    const double quietNaN = Bits(0x7FF8000000000000ULL);
    const std::vector<Case> cases = {
        {"three exponent digits", Print("%e|%E|%.3e|%e|%e", 1.5, 12.5, 12345.6789, 1e100, 1.5e-5),
         "1.500000e+000|1.250000E+001|1.235e+004|1.000000e+100|1.500000e-005"},
        {"a tie rounds away from zero", Print("%.1f|%.0f|%.0f|%.0f|%.1e", 0.25, 0.5, 2.5, 9.5, 0.25),
         "0.3|1|3|10|2.5e-001"},
        {"a value below the tie rounds down", Print("%.2f|%.1f|%.2f|%.1f", 2.675, 0.35, 1.005, 9.95),
         "2.67|0.3|1.00|9.9"},
        {"rounding carries", Print("%.1f|%e|%g", 99.95, 9.99999951, 999999.5), "100.0|1.000000e+001|1e+006"},
        {"zeros and signs", Print("%f|%e|%g|%.3f|%+f|% f", -0.0, 0.0, -0.0, -0.0004, 1.5, 1.5),
         "-0.000000|0.000000e+000|-0|-0.000|+1.500000| 1.500000"},
        {"widths", Print("[%08.3f|%-12e|%08.2e|%10.2f]", -1.5, 1.5, 1.5, 3.14159), "[-001.500|1.500000e+000|1.50e+000|      3.14]"},
        {"'#' keeps the point and the zeros", Print("%#.0f|%#.0e|%#g", 3.0, 3.0, 1.0), "3.|3.e+000|1.00000"},
        {"%g chooses the form by the exponent",
         Print("%g|%g|%g|%g|%G|%.0g|%.1g|%g", 0.0001, 0.00001, 123456.0, 1234567.0, 1e-10, 0.5, 15.0, 1.5e300),
         "0.0001|1e-005|123456|1.23457e+006|1E-010|0.5|2e+001|1.5e+300"},
        {"%g rounds before it chooses", Print("%g|%g", 0.00009999995, 100000.0), "0.0001|100000"},
        {"large and small magnitudes", Print("%.0f|%.1f|%e", 1e22, 1e16, 4.9e-324),
         "10000000000000000000000|10000000000000000.0|4.940656e-324"},
        {"infinity and NaN", Print("%f|%f|%f|%f|%e|%g", infinity, -infinity, quietNaN, indefinite, infinity, indefinite),
         "1.#INF00|-1.#INF00|1.#QNAN0|-1.#IND00|1.#INF00e+000|-1.#IND"},
        {"infinity digits round like digits", Print("%.0f|%.1f|%.2f|%.3f|%.4f|%.2g|%.3e", infinity, infinity, infinity,
                                                     infinity, infinity, infinity, infinity),
         "1|1.$|1.#J|1.#IO|1.#INF|1.$|1.#IOe+000"},
        {"infinity in a field", Print("[%010f|%+f]", infinity, infinity), "[001.#INF00|+1.#INF00]"},
        {"infinity left-justified", Print("[%-10f]", -infinity), "[-1.#INF00 ]",
         "Wine drops the zeros of a left-justified infinity"},
        {"17 significant digits, then zeros", Print("%.20f", 0.1), "0.10000000000000001000",
         "Wine prints the exact binary value"},
        {"17 significant digits, then rounding", Print("%.15f", 0.1234567890123455), "0.123456789012346",
         "Wine rounds the exact binary value"},
    };
    Check(cases);
}

TEST(Format, CountStoresTheLengthSoFar) {
    int count = -1;
    EXPECT_EQ("abc", Print("abc%n", &count));
    EXPECT_EQ(3, count);
}

// The buffer's bytes after each call: 0xcc marks what was not written.
TEST(Format, BufferLimits) {
    struct Limit {
        const char* name;
        std::size_t count;
        int expected;
        std::string buffer;
    };
    const Limit cases[] = {
        {"room to spare gets a terminator", 8, 6, std::string("abcdef\0\xcc", 8)},
        {"an exact fit has no terminator", 6, 6, "abcdef\xcc\xcc"},
        {"one byte short fails after filling the buffer", 5, -1, "abcde\xcc\xcc\xcc"},
        {"four bytes", 4, -1, "abcd\xcc\xcc\xcc\xcc"},
        {"no room", 0, -1, "\xcc\xcc\xcc\xcc\xcc\xcc\xcc\xcc"},
    };
    for (const Limit& row : cases) {
        SCOPED_TRACE(row.name);
        char buffer[8];
        std::memset(buffer, 0xcc, sizeof buffer);
        EXPECT_EQ(row.expected, _snprintf(buffer, row.count, "%s", "abcdef"));
        EXPECT_EQ(row.buffer, std::string(buffer, sizeof buffer));
    }
}

// The lengths follow msvcrt's conventions too (three exponent digits, unknown letters),
// which shows that these are msvcrt's functions and not a C library's look-alikes.
TEST(Format, LengthsFollowTheSameConventions) {
    EXPECT_EQ(13, _scprintf("%e", 1.5));
    EXPECT_EQ(5, _scprintf("%d-%s", 12, "ab"));
    EXPECT_EQ(1, Measure("%y"));
    EXPECT_EQ(8, Measure("%.0f", 12345678.0));
    EXPECT_EQ(-1, Measure("%S", u"\u30bd"));
    EXPECT_EQ(2000, Measure("%2000d", 1));
}

}  // namespace
