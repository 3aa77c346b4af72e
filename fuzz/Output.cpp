#include "fuzz/Output.h"

#include <cstdint>

namespace fuzz {

namespace {

const std::uint32_t kInvalid = 0xFFFFFFFF;

unsigned char ByteAt(const std::string& text, std::size_t at) { return static_cast<unsigned char>(text[at]); }

// The code point at text[at] and its length in bytes; kInvalid for anything but the
// shortest form of a scalar value.
std::uint32_t DecodeUtf8(const std::string& text, std::size_t at, std::size_t& length) {
    const unsigned char first = ByteAt(text, at);
    length = 1;
    if (first < 0x80) return first;
    std::uint32_t least = 0;
    std::uint32_t code = 0;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2, least = 0x80, code = first & 0x1F;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3, least = 0x800, code = first & 0x0F;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4, least = 0x10000, code = first & 0x07;
    } else {
        return kInvalid;
    }
    if (at + length > text.size()) return kInvalid;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = ByteAt(text, at + i);
        if ((next & 0xC0) != 0x80) return kInvalid;
        code = code << 6 | (next & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return kInvalid;
    return code;
}

// The bytes of the code page 932 character at text[at], 0 for bytes that begin none.
std::size_t Cp932Length(const std::string& text, std::size_t at) {
    const unsigned char first = ByteAt(text, at);
    if ((first >= 0x81 && first <= 0x9F) || (first >= 0xE0 && first <= 0xFC)) {
        if (at + 1 == text.size()) return 0;
        const unsigned char second = ByteAt(text, at + 1);
        return second >= 0x40 && second <= 0xFC && second != 0x7F ? 2 : 0;
    }
    return first == 0x80 || first == 0xA0 || first >= 0xFD ? 0 : 1;
}

bool IsControl(std::uint32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

// A recursive-descent reader of JSON's grammar over text already known to be UTF-8.
class JsonReader {
public:
    explicit JsonReader(const std::string& text) : text(text) {}

    bool Document() {
        SkipSpace();
        if (!Value(0)) return false;
        SkipSpace();
        return at == text.size();
    }

private:
    static const int kDeepest = 64;

    bool Value(int depth) {
        if (depth > kDeepest || at == text.size()) return false;
        switch (text[at]) {
            case '{': return Members(depth);
            case '[': return Elements(depth);
            case '"': return String();
            case 't': return Word("true");
            case 'f': return Word("false");
            case 'n': return Word("null");
            default: return Number();
        }
    }

    bool Members(int depth) {
        return Items('}', [&] {
            if (at == text.size() || text[at] != '"' || !String()) return false;
            SkipSpace();
            if (!Take(':')) return false;
            SkipSpace();
            return Value(depth + 1);
        });
    }

    bool Elements(int depth) { return Items(']', [&] { return Value(depth + 1); }); }

    // From the opening bracket to close: nothing, or items apart by commas.
    template <typename Item>
    bool Items(char close, Item item) {
        ++at;
        SkipSpace();
        if (Take(close)) return true;
        do {
            SkipSpace();
            if (!item()) return false;
            SkipSpace();
        } while (Take(','));
        return Take(close);
    }

    bool String() {
        ++at;
        while (at < text.size() && text[at] != '"') {
            const unsigned char byte = ByteAt(text, at);
            if (byte < 0x20) return false;
            if (byte != '\\') {
                ++at;
            } else if (!Escape()) {
                return false;
            }
        }
        return Take('"');
    }

    // One escape; a \u escape of a surrogate stands only in a pair.
    bool Escape() {
        ++at;
        if (at == text.size()) return false;
        const char kind = text[at++];
        if (kind != 'u') return std::string("\"\\/bfnrt").find(kind) != std::string::npos;
        const std::uint32_t unit = HexUnit();
        if (unit == kInvalid || (unit >= 0xDC00 && unit <= 0xDFFF)) return false;
        if (unit < 0xD800 || unit > 0xDBFF) return true;
        if (!Take('\\') || !Take('u')) return false;
        const std::uint32_t low = HexUnit();
        return low >= 0xDC00 && low <= 0xDFFF;
    }

    std::uint32_t HexUnit() {
        if (text.size() - at < 4) return kInvalid;
        std::uint32_t unit = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text[at++];
            const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (digit < 0) return kInvalid;
            unit = unit << 4 | static_cast<std::uint32_t>(digit);
        }
        return unit;
    }

    bool Number() {
        Take('-');
        if (!Take('0') && !Digits()) return false;
        if (Take('.') && !Digits()) return false;
        if (Take('e') || Take('E')) {
            if (!Take('+')) Take('-');
            if (!Digits()) return false;
        }
        return true;
    }

    bool Digits() {
        const std::size_t start = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
        return at > start;
    }

    bool Word(const std::string& word) {
        if (text.compare(at, word.size(), word) != 0) return false;
        at += word.size();
        return true;
    }

    bool Take(char c) {
        if (at == text.size() || text[at] != c) return false;
        ++at;
        return true;
    }

    void SkipSpace() {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r')) ++at;
    }

    const std::string& text;
    std::size_t at = 0;
};

bool IsUtf8(const std::string& text) {
    for (std::size_t at = 0, length = 0; at < text.size(); at += length)
        if (DecodeUtf8(text, at, length) == kInvalid) return false;
    return true;
}

}  // namespace

bool IsPlainText(const std::string& text, bool utf8) {
    for (std::size_t at = 0, length = 0; at < text.size(); at += length) {
        std::uint32_t code = 0;
        if (utf8) {
            code = DecodeUtf8(text, at, length);
            if (code == kInvalid) return false;
        } else {
            length = Cp932Length(text, at);
            if (length == 0) return false;
            code = length == 1 && ByteAt(text, at) < 0x80 ? ByteAt(text, at) : 0xFFFF;
        }
        const bool lineEnd = code == '\n' || (code == '\r' && at + 1 < text.size() && text[at + 1] == '\n');
        if (IsControl(code) && !lineEnd) return false;
    }
    return true;
}

bool IsJson(const std::string& text) { return IsUtf8(text) && JsonReader(text).Document(); }

}  // namespace fuzz
