#include <algorithm>
#include <climits>
#include <cstring>

#include "text/OCString.h"

namespace {

int Saturated(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// The bytes of the format character at text: a lead byte and a non-zero byte make one.
int CharacterBytes(const char* text) {
    return IsDBCSLeadByte(static_cast<BYTE>(*text)) && text[1] ? 2 : 1;
}

// A character or string estimate, cut to the precision and raised to the width.
std::int64_t Fitted(std::int64_t estimate, int width, int precision) {
    if (precision != 0) estimate = std::min<std::int64_t>(estimate, precision);
    return std::max<std::int64_t>({estimate, width, 0});
}

std::int64_t NarrowLength(const void* text) {
    return std::max<std::int64_t>(1, std::strlen(static_cast<const char*>(text)));
}

std::int64_t WideLength(const void* text) {
    const char16_t* characters = static_cast<const char16_t*>(text);
    std::int64_t count = 0;
    while (characters[count]) ++count;
    return std::max<std::int64_t>(1, count);
}

// An upper bound of the text a format produces. It reads the format as the runtime does
// and takes the arguments in the same order, so that each string is measured from its own
// argument.
class FormatEstimate {
public:
    FormatEstimate(const char* format, va_list source) : at(format) { va_copy(arguments, source); }
    FormatEstimate(const FormatEstimate&) = delete;
    FormatEstimate& operator=(const FormatEstimate&) = delete;
    ~FormatEstimate() { va_end(arguments); }

    std::int64_t Total() {
        std::int64_t total = 0;
        while (*at) {
            if (*at != '%') {
                const int bytes = CharacterBytes(at);
                total += bytes;
                at += bytes;
            } else if (*++at == '%') {
                total += 1;
                ++at;
            } else {
                total += Conversion();
            }
        }
        return total;
    }

private:
    enum class Size { Plain, Narrow, Wide, Int64 };

    // From behind the percent sign: flags, width, precision, size prefix, letter.
    std::int64_t Conversion() {
        std::int64_t flags = 0;
        int width = 0;
        for (; *at && std::strchr("#*-+0 ", *at); ++at) {
            if (*at == '#') flags += 2;
            if (*at == '*') width = va_arg(arguments, int);
        }
        const int written = Number();
        if (width == 0) width = written;
        int precision = 0;
        if (*at == '.') {
            if (*++at == '*') {
                precision = va_arg(arguments, int);
                ++at;
            } else {
                precision = Number();
            }
        }
        Size size = Size::Plain;
        if (std::strncmp(at, "I64", 3) == 0) {
            size = Size::Int64;
            at += 3;
        } else if (*at == 'h') {
            size = Size::Narrow;
            ++at;
        } else if (*at == 'l') {
            size = Size::Wide;
            ++at;
        } else if (*at == 'F' || *at == 'L' || *at == 'N') {
            ++at;
        }
        // A format that ends inside a conversion: the runtime prints nothing for it.
        if (!*at) return 0;
        const char letter = *at;
        at += CharacterBytes(at);
        return flags + Letter(letter, size, width, precision);
    }

    std::int64_t Letter(char letter, Size size, int width, int precision) {
        const std::int64_t widthAndPrecision = static_cast<std::int64_t>(width) + precision;
        switch (letter) {
            case 'c':
            case 'C':
                static_cast<void>(va_arg(arguments, int));
                return size == Size::Int64 ? 0 : Fitted(2, width, precision);
            case 's':
            case 'S': {
                // The runtime takes a string after "I64" too; the estimate leaves it to the
                // measuring, but must take the argument or every later one would be misread.
                const void* text = va_arg(arguments, const void*);
                if (size == Size::Int64) return 0;
                const bool wide = size == Size::Wide || (letter == 'S' && size != Size::Narrow);
                return Fitted(!text ? 6 : wide ? WideLength(text) : NarrowLength(text), width, precision);
            }
            case 'd':
            case 'i':
            case 'o':
            case 'u':
            case 'x':
            case 'X':
                if (size == Size::Int64)
                    static_cast<void>(va_arg(arguments, long long));
                else
                    static_cast<void>(va_arg(arguments, int));
                return std::max<std::int64_t>(32, widthAndPrecision);
            case 'p':
                static_cast<void>(va_arg(arguments, void*));
                return std::max<std::int64_t>(32, widthAndPrecision);
            case 'e':
            case 'E':
            case 'g':
            case 'G':
                static_cast<void>(va_arg(arguments, double));
                return std::max<std::int64_t>(128, widthAndPrecision);
            case 'f': {
                // Six more digits than asked for, as the runtime itself measures them.
                const double value = va_arg(arguments, double);
                return std::max(0, _scprintf("%*.*f", width, Saturated(static_cast<std::int64_t>(precision) + 6), value));
            }
            case 'n':
                static_cast<void>(va_arg(arguments, void*));
                return 0;
            default:
                return 0;
        }
    }

    int Number() {
        std::int64_t value = 0;
        for (; *at >= '0' && *at <= '9'; ++at) value = std::min<std::int64_t>(value * 10 + (*at - '0'), INT_MAX);
        return static_cast<int>(value);
    }

    const char* at;
    va_list arguments;
};

// Formats behind the recorded text, within the buffer. 0 when the text does not fit or the
// runtime fails; then nothing of it stays.
int FormatBehind(OCString& text, const char* format, va_list arguments) {
    char* const start = text.buffer + text.length;
    const int room = text.capacity - text.length + 1;  // the terminator's byte included
    va_list copy;
    va_copy(copy, arguments);
    const int written = _vsnprintf(start, static_cast<std::size_t>(room), format, copy);
    va_end(copy);
    if (written >= 0 && written < room) return 1;
    start[0] = '\0';
    text.buffer[text.capacity] = '\0';
    return 0;
}

}  // namespace

void OCString::Format(const char* format, ...) {
    Clear();
    va_list arguments;
    va_start(arguments, format);
    AppendFormatV(format, arguments);
    va_end(arguments);
}

void OCString::AppendFormat(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    AppendFormatV(format, arguments);
    va_end(arguments);
}

void OCString::AppendFormatV(const char* format, va_list arguments) {
    const std::int64_t estimate = FormatEstimate(format, arguments).Total();
    Reserve(Saturated(length + estimate));
    if (!buffer) return;
    if (!FormatBehind(*this, format, arguments)) {
        // The estimate fell short (a negative "*" width, say): measure the text and make room
        // for all of it. A runtime that cannot format it at all gets nothing appended.
        va_list copy;
        va_copy(copy, arguments);
        const int needed = _vscprintf(format, copy);
        va_end(copy);
        if (needed >= 0) {
            Reserve(Saturated(static_cast<std::int64_t>(length) + needed));
            if (buffer) FormatBehind(*this, format, arguments);
        }
    }
    if (!buffer) return;
    length = GetLength();
    cursor = buffer + CursorOffset();
}
