#include "tools/pak/Names.h"

#include <cstdio>
#include <cstring>

#include "platform/Platform.h"
#include "platform/ToolHost.h"

namespace pak {

namespace {

bool IsLeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

bool IsTrailByte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFC && byte != 0x7F; }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

unsigned char Byte(const std::string& text, std::size_t at) { return static_cast<unsigned char>(text[at]); }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Hex(unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", byte);
    return text;
}

// Windows opens these as devices whatever the extension: "con.txt" is the console.
bool IsDeviceName(const std::string& part) {
    std::string base = part.substr(0, part.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = Upper(c);
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : devices)
        if (base == device) return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '0' && base[3] <= '9';
}

// Why one character (one or two bytes at name[at]) may not stand in a name, or empty.
std::string CheckCharacter(const std::string& name, std::size_t at) {
    const unsigned char byte = Byte(name, at);
    if (IsLeadByte(byte)) {
        if (at + 1 == name.size()) return "ends inside a two-byte character";
        if (!IsTrailByte(Byte(name, at + 1))) return "is not code page 932 text";
        return "";
    }
    if (byte < 0x20 || byte == 0x7F) return "holds a control character";
    if (byte == ':') return "holds ':' (a drive or a data stream)";
    if (byte == 0x80 || byte == 0xA0 || byte >= 0xFD) return "is not code page 932 text";
    if (std::strchr("<>\"|?*", byte)) return std::string("holds '") + static_cast<char>(byte) + "', which Windows refuses";
    return "";
}

std::string CheckPart(const std::string& part) {
    if (part.empty()) return "has an empty folder name (a doubled or final separator)";
    if (part == "." || part == "..") return "has a '" + part + "' part";
    if (part.back() == '.' || part.back() == ' ') return "ends a part with '.' or a space, which Windows drops";
    if (IsDeviceName(part)) return "names a device (" + Displayed(part) + ")";
    return "";
}

// Converts character by character where the whole does not convert; each character that
// still does not is written by bad.
template <typename Bad>
std::string ConvertEach(const std::string& name, bool (*convert)(const std::string&, std::string&), Bad bad) {
    std::string whole;
    if (convert(name, whole)) return whole;
    std::string out;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t size = CharacterSize(name, at);
        std::string converted;
        if (convert(name.substr(at, size), converted))
            out += converted;
        else
            for (std::size_t i = 0; i < size; ++i) out += bad(Byte(name, at + i));
        at += size;
    }
    return out;
}

const unsigned char* Bytes(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.c_str()); }

}  // namespace

std::size_t CharacterSize(const std::string& name, std::size_t at) {
    return IsLeadByte(Byte(name, at)) && at + 1 < name.size() ? 2 : 1;
}

std::string CheckEntryName(const std::string& name, std::vector<std::string>& parts) {
    parts.clear();
    if (name.empty()) return "is empty";
    if (IsSeparator(name[0])) return "is absolute";
    if (name.size() >= 2 && name[1] == ':') return "starts with a drive";
    std::vector<std::string> found(1);
    for (std::size_t at = 0; at < name.size(); at += CharacterSize(name, at)) {
        if (IsSeparator(name[at])) {
            found.emplace_back();
            continue;
        }
        const std::string why = CheckCharacter(name, at);
        if (!why.empty()) return why;
        found.back().append(name, at, CharacterSize(name, at));
    }
    for (const std::string& part : found) {
        const std::string why = CheckPart(part);
        if (!why.empty()) return why;
    }
    parts = found;
    return "";
}

std::string CheckExtractPath(const std::string& name, std::vector<std::string>& parts) {
    const std::string why = CheckEntryName(name, parts);
    if (!why.empty()) return why;
    for (std::string& part : parts) {
        std::string native;
        if (!toolhost::ToNativeText(part, native)) {
            parts.clear();
            return "holds a character no file name on this system can hold";
        }
        part = native;
    }
    return "";
}

std::string AsTyped(const std::string& name) {
    std::string native, back;
    return toolhost::ToNativeText(name, native) && toolhost::ToArchiveText(native, back) ? back : name;
}

std::string Displayed(const std::string& name) {
    const std::string native = ConvertEach(name, toolhost::ToNativeText, Hex);
    std::string shown;
    for (const char c : native) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            shown += Hex(byte);
        else
            shown += c;
    }
    return shown;
}

std::string JsonString(const std::string& name) {
    const std::string utf8 = ConvertEach(name, toolhost::ToUtf8, [](unsigned char) { return std::string("\xEF\xBF\xBD"); });
    std::string json = "\"";
    for (const char c : utf8) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

bool MatchesPattern(const std::string& name, const std::string& pattern) {
    std::size_t n = 0, p = 0;
    std::size_t starPattern = std::string::npos, starName = 0;
    while (n < name.size()) {
        const std::size_t nameSize = CharacterSize(name, n);
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = ++p;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' ||
                    (CharacterSize(pattern, p) == nameSize &&
                     (nameSize == 2 ? name.compare(n, 2, pattern, p, 2) == 0 : Upper(name[n]) == Upper(pattern[p]))))) {
            p += pattern[p] == '?' ? 1 : nameSize;
            n += nameSize;
        } else if (starPattern != std::string::npos) {
            starName += CharacterSize(name, starName);
            n = starName;
            p = starPattern;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool DirectoryOrder(const std::string& first, const std::string& second) {
    const int folded = _mbsicmp(Bytes(first), Bytes(second));
    return folded != 0 ? folded < 0 : first < second;
}

bool SameButForCase(const std::string& first, const std::string& second) {
    return _mbsicmp(Bytes(first), Bytes(second)) == 0;
}

}  // namespace pak
