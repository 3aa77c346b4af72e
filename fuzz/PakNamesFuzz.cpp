// Any bytes as an entry's name, through pak extract's name policy and its conversion to the
// names of this system's files. A name is refused, or it comes out as a path that stays
// below the folder it is written into however it is read: by characters, as the system
// steps (a second byte 0x5C is no separator), and byte by byte, as a reader that knows no
// two-byte characters does, so that 95 5C 2E 2E 5C x is refused either way.
//
// Input: the name.
#include <algorithm>
#include <cstring>

#include "fuzz/Target.h"
#include "platform/Platform.h"
#include "platform/ToolHost.h"
#include "tools/pak/Names.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The parts between separators, empty ones included; by characters a separator is a whole
// character, byte by byte every byte 0x5C or 0x2F is one.
std::vector<std::string> Cut(const std::string& path, bool byCharacters) {
    std::vector<std::string> parts(1);
    for (const char* at = path.c_str(); at < path.c_str() + path.size();) {
        const char* next = byCharacters ? std::max<const char*>(CharNextA(at), at + 1) : at + 1;
        if (next == at + 1 && IsSeparator(*at))
            parts.emplace_back();
        else
            parts.back().append(at, next);
        at = next;
    }
    return parts;
}

bool IsDotPart(const std::string& part) { return part == "." || part == ".."; }

// Windows opens a part without the dots and spaces at its end.
std::string AsWindowsOpens(std::string part) {
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    return part;
}

// Windows opens these as devices, in any case and before any extension: "con.txt".
bool IsDevice(const std::string& part) {
    std::string stem = part.substr(0, part.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    static const char* const devices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2",   "COM3",    "COM4",
                                          "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1",   "LPT2",    "LPT3",
                                          "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9",   "CONIN$",  "CONOUT$",
                                          "CLOCK$"};
    for (const char* device : devices)
        if (lstrcmpiA(stem.c_str(), device) == 0) return true;
    return false;
}

// Read byte by byte, the name starts at no root or drive and never climbs.
void CheckByteWise(const std::string& name) {
    FUZZ_CHECK(!IsSeparator(name[0]));
    FUZZ_CHECK(name.find(':') == std::string::npos);
    for (const std::string& part : Cut(name, false)) FUZZ_CHECK(!IsDotPart(part));
}

// Read by characters, every part names a file or folder of its own.
void CheckByCharacters(const std::string& name, const std::vector<std::string>& parts) {
    FUZZ_CHECK(Cut(name, true) == parts);
    for (const std::string& part : parts) {
        const std::string opened = AsWindowsOpens(part);
        FUZZ_CHECK(!opened.empty() && !IsDotPart(opened));
        FUZZ_CHECK(!IsDevice(opened));
    }
}

// Each native part is one name of its own, however a reader cuts it, and the parts joined
// to the folder give back the folder's parts and then theirs.
void CheckNative(const std::string& folder, const std::vector<std::string>& native) {
    std::string path = folder;
    for (const std::string& part : native) {
        FUZZ_CHECK(!part.empty() && std::memchr(part.data(), 0, part.size()) == nullptr);
        const toolhost::PathParts split = toolhost::SplitPath(part);
        FUZZ_CHECK(!split.absolute && split.parts == std::vector<std::string>{part});
        for (const std::string& piece : Cut(part, false)) FUZZ_CHECK(!IsDotPart(piece));
        path = toolhost::JoinPath(path, part);
    }
    const toolhost::PathParts joined = toolhost::SplitPath(path);
    std::vector<std::string> expected = toolhost::SplitPath(folder).parts;
    expected.insert(expected.end(), native.begin(), native.end());
    FUZZ_CHECK(!joined.absolute && joined.parts == expected);
}

// A folder whose name ends in a second byte 0x5C (o表): joining must not take it for a
// separator.
std::string Folder() {
    std::string native;
    toolhost::ToNativeText("o\x95\x5C", native);
    return native;
}

void Run(const std::uint8_t* data, std::size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    if (!pak::CheckEntryName(name, parts).empty()) {
        FUZZ_CHECK(parts.empty());
        return;
    }
    CheckByteWise(name);
    CheckByCharacters(name, parts);
    std::vector<std::string> native;
    if (!pak::CheckExtractPath(name, native).empty()) {
        FUZZ_CHECK(native.empty());
        return;
    }
    FUZZ_CHECK(native.size() == parts.size());
    static const std::string folder = Folder();
    CheckNative(folder, native);
}

std::vector<std::string> Seeds() {
    // Traversals that other archive tools let through, names with a second byte 0x5C,
    // devices, bytes that are no text, and names that are safe.
    return {"../a", "a/../../b", "/etc/x", "C:x", "C:\\x", "\\\\?\\C:\\x", "\\\\srv\\s\\x", "..\\..\\x",
            "a\\..\\..\\x", "/:../x", "W:../x", "NUL", "con.txt", "CON .a", "com1", "conin$", "a.", "a ",
            "x:ads", "", ".", "a\\.\\b", "a\\\\b", "a\\", "\x95\x5C..\\x", "\x95\x5C.\\x", "\x95\x5C", "\x95\x5C\\x",
            "\x83\x5C\\\x95\x5C.txt", "\x83\x5C/a\x83\x5C", "DATA\\A.TXT", "..a", "b..c", "a\x81", "a\x81\x20",
            "\x85\x40.txt", "\x80", "\xA0", "\xFD", "a\x01", "a*b", "a\x7F", "\xB1\xB2\xB3"};
}

[[maybe_unused]] const bool registered = fuzz::Register({"pak_names", Run, Seeds});

}  // namespace
