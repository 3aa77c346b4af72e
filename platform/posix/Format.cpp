#include "platform/Platform.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

// Formatting with the conventions of msvcrt, which the system's texts are written for.
namespace {

// The text as it is made: bytes go to the caller's buffer while they fit and are only
// counted beyond it.
class Output {
public:
    Output(char* buffer, std::size_t size) : buffer(buffer), size(size) {}

    void Put(char byte) { Put(std::string_view(&byte, 1)); }
    void Put(std::string_view text) {
        if (written < size && !text.empty())
            std::memcpy(buffer + written, text.data(), std::min(text.size(), size - written));
        written += text.size();
    }
    void Repeat(char byte, std::size_t count) {
        if (written < size) std::memset(buffer + written, byte, std::min(count, size - written));
        written += count;
    }
    // A character that has no byte in the code page fails the whole call.
    void Fail() { failed = true; }

    std::size_t Written() const { return written; }
    // The length of the whole text; -1 after a failure or when int cannot hold it.
    int Result() const { return failed || written > INT_MAX ? -1 : static_cast<int>(written); }

private:
    char* buffer;
    std::size_t size;
    std::size_t written = 0;
    bool failed = false;
};

// A va_list that helpers can share and advance.
struct Arguments {
    va_list list;
};

enum class Size { Default, Short, Long, LongLong, Pointer };

struct Conversion {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool zero = false;
    bool alternate = false;
    std::size_t width = 0;
    int precision = -1;  // none
    Size size = Size::Default;
    char letter = 0;  // 0 when the format ends inside the conversion
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsOneOf(char c, const char* set) { return c != 0 && std::strchr(set, c) != nullptr; }

// A decimal number, or "*" for the next int argument; a long number saturates.
int ReadCount(const char*& format, Arguments& arguments) {
    if (*format == '*') {
        ++format;
        return va_arg(arguments.list, int);
    }
    long long value = 0;
    for (; IsDigit(*format); ++format) value = std::min<long long>(value * 10 + (*format - '0'), INT_MAX);
    return static_cast<int>(value);
}

// Flags, width, precision, size prefixes and the letter, from just after the '%'; returns
// the position after the conversion.
const char* ReadConversion(const char* format, Arguments& arguments, Conversion& conversion) {
    for (;; ++format) {
        if (*format == '-') conversion.left = true;
        else if (*format == '+') conversion.plus = true;
        else if (*format == ' ') conversion.space = true;
        else if (*format == '0') conversion.zero = true;
        else if (*format == '#') conversion.alternate = true;
        else break;
    }
    const long long width = ReadCount(format, arguments);
    if (width < 0) conversion.left = true;  // a negative "*" width
    conversion.width = static_cast<std::size_t>(width < 0 ? -width : width);
    if (*format == '.') {
        ++format;
        conversion.precision = std::max(ReadCount(format, arguments), -1);  // a negative "*" is none
    }
    for (;; ++format) {
        if (*format == 'h') {
            conversion.size = Size::Short;
        } else if (*format == 'l' && format[1] == 'l') {
            conversion.size = Size::LongLong;
            ++format;
        } else if (*format == 'l' || *format == 'w') {
            conversion.size = Size::Long;
        } else if (*format == 'I' && format[1] == '6' && format[2] == '4') {
            conversion.size = Size::LongLong;
            format += 2;
        } else if (*format == 'I' && format[1] == '3' && format[2] == '2') {
            conversion.size = Size::Default;
            format += 2;
        } else if (*format == 'I' && IsOneOf(format[1], "diouxX")) {
            conversion.size = Size::Pointer;
        } else if (!IsOneOf(*format, "FNL")) {
            break;  // a bare 'I' stays as the letter, so it prints itself
        }
    }
    conversion.letter = *format;
    return *format ? format + 1 : format;
}

// The padding before a field of length bytes and its prefix (sign, "0x"); returns the
// padding that is owed after the field.
std::size_t OpenField(Output& out, const Conversion& c, std::string_view prefix, std::size_t length) {
    const std::size_t pad = c.width > length ? c.width - length : 0;
    if (!c.left && !c.zero) out.Repeat(' ', pad);
    out.Put(prefix);
    if (!c.left && c.zero) out.Repeat('0', pad);
    return c.left ? pad : 0;
}

void PutField(Output& out, const Conversion& c, std::string_view prefix, std::size_t zeros, std::string_view body) {
    const std::size_t after = OpenField(out, c, prefix, prefix.size() + zeros + body.size());
    out.Repeat('0', zeros);
    out.Put(body);
    out.Repeat(' ', after);
}

std::string_view SignOf(bool negative, const Conversion& c) { return negative ? "-" : c.plus ? "+" : c.space ? " " : ""; }

long long ReadSigned(Arguments& arguments, Size size) {
    switch (size) {
        case Size::Short: return static_cast<short>(va_arg(arguments.list, int));
        case Size::Long: return va_arg(arguments.list, long);
        case Size::LongLong: return va_arg(arguments.list, long long);
        case Size::Pointer: return va_arg(arguments.list, std::intptr_t);
        case Size::Default: break;
    }
    return va_arg(arguments.list, int);
}

unsigned long long ReadUnsigned(Arguments& arguments, Size size) {
    switch (size) {
        case Size::Short: return static_cast<unsigned short>(va_arg(arguments.list, unsigned int));
        case Size::Long: return va_arg(arguments.list, unsigned long);
        case Size::LongLong: return va_arg(arguments.list, unsigned long long);
        case Size::Pointer: return va_arg(arguments.list, std::uintptr_t);
        case Size::Default: break;
    }
    return va_arg(arguments.list, unsigned int);
}

void PutInteger(Output& out, const Conversion& c, std::string_view prefix, unsigned long long value, unsigned int base) {
    const char* const digitSet = c.letter == 'x' ? "0123456789abcdef" : "0123456789ABCDEF";
    char digits[24];
    char* const end = digits + sizeof digits;
    char* start = end;
    for (; value != 0; value /= base) *--start = digitSet[value % base];
    const std::size_t count = static_cast<std::size_t>(end - start);
    const std::size_t precision = c.precision < 0 ? 1 : static_cast<std::size_t>(c.precision);
    std::size_t zeros = precision > count ? precision - count : 0;
    if (c.alternate && base == 8 && zeros == 0) zeros = 1;
    PutField(out, c, prefix, zeros, std::string_view(start, count));
}

void PutSigned(Output& out, const Conversion& c, long long value) {
    const unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value) : value;
    PutInteger(out, c, SignOf(value < 0, c), magnitude, 10);
}

void PutUnsigned(Output& out, const Conversion& c, unsigned long long value) {
    const bool hexadecimal = c.letter == 'x' || c.letter == 'X';
    std::string_view prefix;
    if (c.alternate && hexadecimal && value != 0) prefix = c.letter == 'x' ? "0x" : "0X";
    PutInteger(out, c, prefix, value, hexadecimal ? 16 : c.letter == 'o' ? 8 : 10);
}

// Upper-case hexadecimal digits, as many as the pointer has.
void PutPointer(Output& out, Conversion c, const void* pointer) {
    c.precision = 2 * sizeof pointer;
    c.letter = 'X';
    PutInteger(out, c, c.alternate ? "0X" : "", reinterpret_cast<std::uintptr_t>(pointer), 16);
}

void PutString(Output& out, const Conversion& c, const char* text) {
    if (!text) text = "(null)";
    const std::size_t length = c.precision < 0 ? ::strlen(text) : ::strnlen(text, static_cast<std::size_t>(c.precision));
    PutField(out, c, "", 0, std::string_view(text, length));
}

// The runtime's "C" locale gives each 16-bit character up to 0xFF its own byte, and
// no byte to any other.
void PutWideString(Output& out, const Conversion& c, const char16_t* text) {
    if (!text) return PutString(out, c, nullptr);
    std::size_t length = 0;
    for (; text[length] != 0 && (c.precision < 0 || length < static_cast<std::size_t>(c.precision)); ++length) {
        if (text[length] > 0xFF) return out.Fail();
    }
    const std::size_t after = OpenField(out, c, "", length);
    for (std::size_t i = 0; i < length; ++i) out.Put(static_cast<char>(text[i]));
    out.Repeat(' ', after);
}

void PutCharacter(Output& out, const Conversion& c, char byte) { PutField(out, c, "", 0, std::string_view(&byte, 1)); }

// A 16-bit character without a byte prints nothing at all (unlike a string, which fails).
void PutWideCharacter(Output& out, const Conversion& c, unsigned int character) {
    if (character <= 0xFF) PutCharacter(out, c, static_cast<char>(character));
}

// A double as decimal digits: value = d0.d1 d2 d3 ... * 10^exponent; digits past count
// are zeros.
struct Decimal {
    char digits[17];
    long long count;
    long long exponent;

    char Digit(long long index) const { return index >= 0 && index < count ? digits[index] : '0'; }
    // The index of the last digit that is not '0'; -1 when there is none.
    long long LastSignificant() const {
        long long last = count - 1;
        while (last >= 0 && digits[last] == '0') --last;
        return last;
    }
};

// msvcrt makes 17 significant digits and then rounds those; infinities and NaNs become
// digit strings of their own, rounded the same way ("1.#INF00", "%.2f" gives "1.#J").
Decimal Decompose(double value) {
    Decimal d{};
    if (std::isinf(value) || std::isnan(value)) {
        const char* text = std::isinf(value) ? "1#INF" : std::signbit(value) ? "1#IND" : "1#QNAN";
        d.count = static_cast<long long>(::strlen(text));
        std::memcpy(d.digits, text, static_cast<std::size_t>(d.count));
        return d;
    }
    char text[32];  // d.dddddddddddddddde-XXX
    ::snprintf(text, sizeof text, "%.16e", std::fabs(value));
    d.digits[0] = text[0];
    std::memcpy(d.digits + 1, text + 2, 16);
    d.count = 17;
    d.exponent = std::atoi(text + 19);
    return d;
}

// Keeps keep significant digits, rounding half up.
void RoundTo(Decimal& d, long long keep) {
    if (keep >= d.count) return;
    if (keep < 0) {  // less than half of the last place kept
        d.count = 0;
        return;
    }
    const bool up = d.digits[keep] >= '5';
    d.count = keep;
    if (!up) return;
    long long last = keep - 1;
    while (last >= 0 && d.digits[last] == '9') --last;  // the nines carry and become zeros past count
    if (last < 0) {
        d.digits[0] = '1';
        d.count = 1;
        ++d.exponent;
        return;
    }
    ++d.digits[last];
    d.count = last + 1;
}

void PutDigits(Output& out, const Decimal& d, long long from, long long count) {
    for (; count > 0 && from < d.count; ++from, --count) out.Put(d.Digit(from));
    if (count > 0) out.Repeat('0', static_cast<std::size_t>(count));
}

void PutFixed(Output& out, const Conversion& c, std::string_view sign, Decimal d, long long decimals) {
    RoundTo(d, d.exponent + 1 + decimals);
    const long long integerDigits = d.exponent < 0 ? 1 : d.exponent + 1;
    const bool point = decimals > 0 || c.alternate;
    const auto length = static_cast<std::size_t>(integerDigits + point + decimals);
    const std::size_t after = OpenField(out, c, sign, sign.size() + length);
    PutDigits(out, d, d.exponent + 1 - integerDigits, integerDigits);  // up to the units digit
    if (point) out.Put('.');
    PutDigits(out, d, d.exponent + 1, decimals);
    out.Repeat(' ', after);
}

// Three exponent digits at least: "1.500000e+000".
void PutExponential(Output& out, const Conversion& c, std::string_view sign, Decimal d, long long decimals, char letter) {
    RoundTo(d, decimals + 1);
    char exponent[16];
    const int exponentLength = ::snprintf(exponent, sizeof exponent, "%c%c%03lld", letter, d.exponent < 0 ? '-' : '+',
                                          d.exponent < 0 ? -d.exponent : d.exponent);
    const bool point = decimals > 0 || c.alternate;
    const auto length = static_cast<std::size_t>(1 + point + decimals + exponentLength);
    const std::size_t after = OpenField(out, c, sign, sign.size() + length);
    PutDigits(out, d, 0, 1);
    if (point) out.Put('.');
    PutDigits(out, d, 1, decimals);
    out.Put(std::string_view(exponent, static_cast<std::size_t>(exponentLength)));
    out.Repeat(' ', after);
}

void PutFloating(Output& out, const Conversion& c, double value) {
    const std::string_view sign = SignOf(std::signbit(value), c);
    Decimal d = Decompose(value);
    const long long precision = c.precision < 0 ? 6 : c.precision;
    if (c.letter == 'f') return PutFixed(out, c, sign, d, precision);
    if (c.letter == 'e' || c.letter == 'E') return PutExponential(out, c, sign, d, precision, c.letter);

    // 'g' and 'G': precision counts significant digits; the exponent after rounding to them
    // chooses the form, and trailing zeros go unless '#' keeps them.
    const long long significant = std::max(precision, 1ll);
    RoundTo(d, significant);
    const bool exponential = d.exponent < -4 || d.exponent >= significant;
    const long long firstDecimal = exponential ? 1 : d.exponent + 1;  // the digit right after the point
    long long decimals = significant - firstDecimal;
    if (!c.alternate) decimals = std::min(decimals, std::max(0ll, d.LastSignificant() - firstDecimal + 1));
    if (exponential) return PutExponential(out, c, sign, d, decimals, c.letter == 'g' ? 'e' : 'E');
    PutFixed(out, c, sign, d, decimals);
}

void StoreCount(Arguments& arguments, Size size, std::size_t count) {
    switch (size) {
        case Size::Short: *va_arg(arguments.list, short*) = static_cast<short>(count); return;
        case Size::Long: *va_arg(arguments.list, long*) = static_cast<long>(count); return;
        case Size::LongLong: *va_arg(arguments.list, long long*) = static_cast<long long>(count); return;
        case Size::Pointer: *va_arg(arguments.list, std::intptr_t*) = static_cast<std::intptr_t>(count); return;
        case Size::Default: break;
    }
    *va_arg(arguments.list, int*) = static_cast<int>(count);
}

void PutConversion(Output& out, const Conversion& c, Arguments& arguments) {
    switch (c.letter) {
        case 'd':
        case 'i': return PutSigned(out, c, ReadSigned(arguments, c.size));
        case 'u':
        case 'o':
        case 'x':
        case 'X': return PutUnsigned(out, c, ReadUnsigned(arguments, c.size));
        case 'p': return PutPointer(out, c, va_arg(arguments.list, const void*));
        case 'c':
        case 'C': {
            const int character = va_arg(arguments.list, int);
            const bool wide = c.letter == 'C' ? c.size != Size::Short : c.size == Size::Long;
            if (wide) return PutWideCharacter(out, c, static_cast<std::uint16_t>(character));
            return PutCharacter(out, c, static_cast<char>(character));
        }
        case 's':
        case 'S': {
            const bool wide = c.letter == 'S' ? c.size != Size::Short : c.size == Size::Long;
            if (wide) return PutWideString(out, c, va_arg(arguments.list, const char16_t*));
            return PutString(out, c, va_arg(arguments.list, const char*));
        }
        case 'e':
        case 'E':
        case 'f':
        case 'g':
        case 'G': return PutFloating(out, c, va_arg(arguments.list, double));
        case 'n': return StoreCount(arguments, c.size, out.Written());
        default: return out.Put(c.letter);  // "%%" and letters msvcrt does not know print themselves
    }
}

void Format(Output& out, const char* format, va_list list) {
    Arguments arguments;
    va_copy(arguments.list, list);
    while (*format) {
        const char* percent = std::strchr(format, '%');
        if (!percent) {
            out.Put(format);
            break;
        }
        out.Put(std::string_view(format, static_cast<std::size_t>(percent - format)));
        Conversion conversion;
        format = ReadConversion(percent + 1, arguments, conversion);
        if (!conversion.letter) break;  // the format ends inside a conversion, which prints nothing
        PutConversion(out, conversion, arguments);
    }
    va_end(arguments.list);
}

}  // namespace

int _vsnprintf(char* buffer, std::size_t count, const char* format, va_list arguments) {
    Output out(buffer, count);
    Format(out, format, arguments);
    const int length = out.Result();
    if (length < 0 || static_cast<std::size_t>(length) > count) return -1;
    if (static_cast<std::size_t>(length) < count) buffer[length] = '\0';
    return length;
}

int _vscprintf(const char* format, va_list arguments) {
    Output out(nullptr, 0);
    Format(out, format, arguments);
    return out.Result();
}

int _snprintf(char* buffer, std::size_t count, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int length = _vsnprintf(buffer, count, format, arguments);
    va_end(arguments);
    return length;
}

int _scprintf(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int length = _vscprintf(format, arguments);
    va_end(arguments);
    return length;
}
