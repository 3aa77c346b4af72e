// Sequences of OCString operations on two strings, decoded from the input. After every step
// both strings keep their invariants, and each operation keeps what it promises of its
// result. The arguments respect the limits that callers keep: texts come from the input,
// never from a string's own buffer; counts stay within their texts; formats are the
// system's conversions with arguments of the kinds they take.
//
// Input: operations, each a Byte (the operation, and in its low bit the string it works
// on) followed by its arguments.
#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>

#include "files/OCFile.h"
#include "fuzz/Input.h"
#include "fuzz/Invariants.h"
#include "fuzz/Target.h"
#include "text/OCException.h"

namespace {

using fuzz::Input;

const int kMostSteps = 200;
const std::size_t kMostGrown = 1 << 16;
const int kConversions = 28;

// A string and whether its recorded length still follows its text (a direct write breaks
// that until an operation measures the text again).
struct Subject {
    OCString string;
    bool recorded = true;
};

struct Step {
    Subject& self;
    Subject& other;
    Input& input;
};

int Measured(const OCString& string) { return string.buffer ? static_cast<int>(std::strlen(string.buffer)) : 0; }

std::string TextOf(const OCString& string) { return string.buffer ? string.buffer : ""; }

// A count for text: -1 (the whole text) or at most its length.
int CountFor(const std::string& text, Input& input) {
    const std::uint8_t byte = input.Byte();
    return byte == 0xFF ? -1 : std::min<int>(byte, static_cast<int>(std::strlen(text.c_str())));
}

// What Append and Assign take of text for a count from CountFor.
std::string Counted(const std::string& text, int count) {
    return text.substr(0, count == -1 ? std::strlen(text.c_str()) : count);
}

// A position for Extract: null, or anywhere in the buffer or just behind it.
const char* PositionIn(const OCString& string, Input& input) {
    const std::uint8_t byte = input.Byte();
    if (byte == 0xFF || !string.buffer) return nullptr;
    return string.buffer + byte % (string.capacity + 3);
}

int SizeFor(Input& input) {
    static const int kEdges[] = {-1, -2, INT_MIN, INT_MAX, INT_MAX - 62, INT_MAX - 63, INT_MAX - 64, INT_MAX - 127,
                                 1 << 30, 63, 64, 127, 128};
    const std::uint8_t byte = input.Byte();
    const std::size_t edges = sizeof kEdges / sizeof kEdges[0];
    return byte < 256 - edges ? byte * 17 : kEdges[byte - (256 - edges)];
}

// A character argument: a single byte 1 to 255, or the code of a two-byte character.
std::uint32_t CharacterFor(Input& input) {
    const std::uint16_t code = input.U16();
    if (code >> 8 && IsDBCSLeadByte(static_cast<BYTE>(code >> 8))) return code;
    return (code & 0xFF) ? code & 0xFF : 1;
}

std::string LiteralFor(Input& input) {
    std::string literal = input.Piece().c_str();
    literal.erase(std::remove(literal.begin(), literal.end(), '%'), literal.end());
    return literal;
}

struct FormatArguments {
    std::string text;
    std::u16string wide;
    int width;
    int precision;
    std::int32_t number;
    long long big;
    double real;
};

FormatArguments ArgumentsFor(Input& input) {
    FormatArguments arguments;
    arguments.text = input.Piece().c_str();
    for (char byte : input.Piece()) arguments.wide += static_cast<char16_t>(static_cast<unsigned char>(byte) * 0x101);
    arguments.wide = arguments.wide.c_str();
    arguments.width = static_cast<std::int8_t>(input.Byte()) * 8;
    arguments.precision = static_cast<std::int8_t>(input.Byte()) * 8;
    arguments.number = static_cast<std::int32_t>(input.U32());
    arguments.big = static_cast<long long>(static_cast<std::uint64_t>(input.U32()) << 32 | input.U32());
    const std::uint64_t bits = static_cast<std::uint64_t>(input.U32()) << 32 | input.U32();
    std::memcpy(&arguments.real, &bits, sizeof arguments.real);
    return arguments;
}

template <typename... Arguments>
void Print(OCString& string, bool append, const std::string& format, Arguments... arguments) {
    if (append)
        string.AppendFormat(format.c_str(), arguments...);
    else
        string.Format(format.c_str(), arguments...);
}

// One conversion of the system's formats behind a literal text, with its arguments.
void Formatted(OCString& string, bool append, Input& input) {
    const std::uint8_t which = input.Byte();
    const std::string literal = LiteralFor(input);
    const FormatArguments a = ArgumentsFor(input);
    const char* text = a.text.c_str();
    const char16_t* wide = a.wide.c_str();
    int counted = 0;
    switch (which % kConversions) {
        case 0: Print(string, append, literal); break;
        case 1: Print(string, append, literal + "%s", text); break;
        case 2: Print(string, append, literal + "%5.2s", text); break;
        case 3: Print(string, append, literal + "%-*s", a.width, text); break;
        case 4: Print(string, append, literal + "%.*s", a.precision, text); break;
        case 5: Print(string, append, literal + "%*.*s", a.width, a.precision, text); break;
        case 6: Print(string, append, literal + "%hs", text); break;
        case 7: Print(string, append, literal + "%ls", wide); break;
        case 8: Print(string, append, literal + "%*S", a.width, wide); break;
        case 9: Print(string, append, literal + "%s", static_cast<const char*>(nullptr)); break;
        case 10: Print(string, append, literal + "%c", a.number); break;
        case 11: Print(string, append, literal + "%10c", a.number); break;
        case 12: Print(string, append, literal + "%C", a.number); break;
        case 13: Print(string, append, literal + "%d", a.number); break;
        case 14: Print(string, append, literal + "%20.15d", a.number); break;
        case 15: Print(string, append, literal + "%#x", a.number); break;
        case 16: Print(string, append, literal + "%I64d", a.big); break;
        case 17: Print(string, append, literal + "%*.*u", a.width, a.precision, a.number); break;
        case 18: Print(string, append, literal + "%e", a.real); break;
        case 19: Print(string, append, literal + "%f", a.real); break;
        case 20: Print(string, append, literal + "%*.*f", a.width, a.precision, a.real); break;
        case 21: Print(string, append, literal + "%#g", a.real); break;
        case 22: Print(string, append, literal + "%%"); break;
        case 23: Print(string, append, literal + "%Ns", text); break;
        case 24: Print(string, append, literal + "%hc", a.number); break;
        case 25: Print(string, append, literal + "%n", &counted); break;
        case 26: Print(string, append, literal + "%y"); break;
        default: Print(string, append, literal + "%p", text); break;
    }
}

// The rule by which Extract takes its positions: both within the text, in either order.
bool Extracts(const OCString& string, const char* from, const char* to) {
    if (!string.buffer) return !from && !to;
    const char* end = string.buffer + std::strlen(string.buffer);
    const auto within = [&](const char* position) {
        return !position || (std::less_equal<const char*>()(string.buffer, position) &&
                             std::less_equal<const char*>()(position, end));
    };
    return within(from) && within(to);
}

// A position a search or GetToken returned: in the text, or, where a direct write moved the
// terminator, at least in the buffer.
void CheckFound(const Subject& subject, const char* found) {
    if (subject.recorded) {
        fuzz::CheckInText(subject.string, found);
        return;
    }
    FUZZ_CHECK(!found || std::less_equal<const char*>()(found, subject.string.buffer + subject.string.capacity));
}

// A search leaves the cursor on what it found, or where it was.
void CheckSearch(const Subject& subject, const char* cursorBefore, const char* found) {
    CheckFound(subject, found);
    FUZZ_CHECK(subject.string.cursor == (found ? found : cursorBefore));
}

void Append(Step& step) {
    OCString& string = step.self.string;
    const std::string text = step.input.Piece();
    const int count = CountFor(text, step.input);
    const std::string expected = TextOf(string) + Counted(text, count);
    const bool changes = count != 0;
    string.Append(text.c_str(), count);
    if (!changes) return;
    step.self.recorded = true;
    FUZZ_CHECK(!string.buffer || (TextOf(string) == expected && string.cursor == string.buffer));
}

void Assign(Step& step) {
    const std::string text = step.input.Piece();
    const int count = CountFor(text, step.input);
    const std::string expected = Counted(text, count);
    step.self.string.Assign(text.c_str(), count);
    step.self.recorded = true;
    FUZZ_CHECK(!step.self.string.buffer || TextOf(step.self.string) == expected.c_str());
}

void AssignOther(Step& step) {
    step.self.string.Assign(step.other.string);
    step.self.recorded = true;
    FUZZ_CHECK(TextOf(step.self.string) == TextOf(step.other.string) || !step.self.string.buffer);
}

// Assign with the string's own buffer changes nothing, whatever the count; without a buffer
// that is Assign(null, count), which leaves an empty text with room for any count but -1.
void AssignItself(Step& step) {
    OCString& string = step.self.string;
    const std::string before = TextOf(string);
    const char* buffer = string.buffer;
    const char* cursor = string.cursor;
    const bool counted = step.input.Byte() & 1;
    const int count = static_cast<std::int8_t>(step.input.Byte());
    if (counted)
        string.Assign(string.GetText(), count);
    else
        string.Assign(string.GetText());
    if (!buffer && counted && count != -1) {
        step.self.recorded = true;
        return;
    }
    FUZZ_CHECK(string.buffer == buffer && string.cursor == cursor && TextOf(string) == before);
}

void AppendNothing(Step& step) {
    const int count = static_cast<int>(step.input.Byte()) - 1;
    step.self.string.Append(nullptr, count);
    if (count != -1) step.self.recorded = true;
}

void Reserve(Step& step) { step.self.string.Reserve(SizeFor(step.input)); }

void Clear(Step& step) {
    step.self.string.Clear();
    step.self.recorded = true;
}

void Format(Step& step) {
    Formatted(step.self.string, false, step.input);
    step.self.recorded = true;
}

void AppendFormat(Step& step) {
    Formatted(step.self.string, true, step.input);
    step.self.recorded = true;
}

void Extract(Step& step) {
    const char* from = PositionIn(step.self.string, step.input);
    const char* to = PositionIn(step.self.string, step.input);
    const bool extracts = Extracts(step.self.string, from, to);
    step.self.string.Extract(step.other.string, from, to);
    if (extracts) step.other.recorded = true;
}

void Delete(Step& step) {
    OCString& string = step.self.string;
    const int count = std::min<int>(step.input.Byte(), Measured(string) + 2);
    const int position = static_cast<std::int8_t>(step.input.Byte());
    const char* result = string.Delete(count, position);
    step.self.recorded = true;
    FUZZ_CHECK(result == nullptr || result == string.cursor);
}

// Each Replace can multiply the text, and rebuilds it in steps of 64 bytes, each a copy of
// what was built so far: one that could take the text past kMostGrown is left out, so that
// a run stays within its time and memory.
void Replace(Step& step) {
    const std::string find = step.input.Piece().c_str();
    const std::string replacement = step.input.Piece().c_str();
    const bool nullReplacement = step.input.Byte() & 1;
    OCString& string = step.self.string;
    if (static_cast<std::size_t>(Measured(string)) * (replacement.size() + 1) > kMostGrown) return;
    const char* buffer = string.buffer;
    const std::string before = TextOf(string);
    try {
        string.Replace(find.c_str(), nullReplacement ? nullptr : replacement.c_str());
    } catch (const OCException& error) {
        // Room for the new text refused: the string keeps its old one.
        FUZZ_CHECK(error.code == -1);
        FUZZ_CHECK(string.buffer == buffer && TextOf(string) == before);
        return;
    }
    // A new buffer means the text was rebuilt and measured; an unchanged one keeps its length.
    if (string.buffer != buffer) step.self.recorded = true;
}

void RemoveChars(Step& step) {
    step.self.string.RemoveChars(step.input.Piece().c_str());
    step.self.recorded = true;
}

void GetToken(Step& step) {
    const std::string delimiters = step.input.Piece().c_str();
    const int keep = step.input.Byte() & 1;
    const char* token = step.self.string.GetToken(step.other.string, delimiters.c_str(), keep);
    CheckFound(step.self, token);
    if (token) step.other.recorded = true;
}

// ReadCounted or ReadAll over a memory stream of the input's bytes.
void ReadFromStream(Step& step) {
    const bool whole = step.input.Byte() & 1;
    std::string bytes = step.input.Piece();
    OCFile file;
    file.OpenMemory(&bytes[0], static_cast<std::uint32_t>(bytes.size()));
    if (whole)
        step.self.string.ReadAll(file);
    else
        step.self.string.ReadCounted(file);
    step.self.recorded = true;
}

void Search(Step& step) {
    OCString& string = step.self.string;
    const char* before = string.cursor;
    switch (step.input.Byte() % 4) {
        case 0: CheckSearch(step.self, before, string.Find(CharacterFor(step.input))); break;
        case 1: CheckSearch(step.self, before, string.FindLast(CharacterFor(step.input))); break;
        case 2: CheckSearch(step.self, before, string.FindOneOf(step.input.Piece().c_str())); break;
        default: CheckSearch(step.self, before, string.SkipOver(step.input.Piece().c_str())); break;
    }
}

void Move(Step& step) {
    OCString& string = step.self.string;
    switch (step.input.Byte() % 5) {
        case 0: string.MoveToStart(); break;
        case 1: string.MoveToEnd(); break;
        case 2: FUZZ_CHECK(string.MoveNext() == string.cursor); break;
        case 3: FUZZ_CHECK(string.MovePrevious() == string.cursor); break;
        default: {
            const int offset = static_cast<std::int32_t>(step.input.U32());
            FUZZ_CHECK(string.SetCursor(offset, step.input.Byte() % 4) == string.cursor);
        }
    }
}

void Query(Step& step) {
    const OCString& string = step.self.string;
    FUZZ_CHECK(string.GetLength() == Measured(string));
    FUZZ_CHECK(string.IsEmpty() == (Measured(string) == 0));
    FUZZ_CHECK(string.GetChar() <= 0xFFFF);
    const std::string text = step.input.Piece().c_str();
    const int order = string.CompareNoCase(step.input.Byte() & 1 ? nullptr : text.c_str());
    FUZZ_CHECK(order >= -1 && order <= 1);
}

// Bytes written straight into the room the buffer has; the recorded length stays.
void WriteDirectly(Step& step) {
    OCString& string = step.self.string;
    const std::string bytes = step.input.Piece();
    if (!string.buffer) return;
    const std::size_t count = std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(string.capacity));
    std::memcpy(string.buffer, bytes.data(), count);
    string.buffer[count] = '\0';
    step.self.recorded = false;
}

void Copy(Step& step) {
    const OCString copy(step.self.string);
    fuzz::CheckString(copy);
    FUZZ_CHECK(TextOf(copy) == TextOf(step.self.string));
    FUZZ_CHECK(copy.cursor == copy.buffer);
}

void (*const kOperations[])(Step&) = {
    Append,  Assign,  AssignOther, AssignItself, AppendNothing, Reserve,        Clear,  Format, AppendFormat,
    Extract, Delete,  Replace,     RemoveChars,  GetToken,      ReadFromStream, Search, Move,   Query,
    WriteDirectly, Copy,
};

void Run(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    Subject subjects[2];
    for (int steps = 0; steps < kMostSteps && !input.AtEnd(); ++steps) {
        const std::uint8_t code = input.Byte();
        Step step{subjects[code & 1], subjects[1 - (code & 1)], input};
        kOperations[(code >> 1) % (sizeof kOperations / sizeof kOperations[0])](step);
        for (const Subject& subject : subjects) fuzz::CheckString(subject.string, subject.recorded);
    }
}

// An operation on the first string, with its arguments.
std::string Operation(void (*operation)(Step&), const std::string& arguments = "") {
    const auto index = std::find(std::begin(kOperations), std::end(kOperations), operation) - std::begin(kOperations);
    return fuzz::Byte(static_cast<std::uint8_t>(index << 1)) + arguments;
}

std::vector<std::string> Seeds() {
    using fuzz::Byte;
    using fuzz::Piece;
    using fuzz::U16;
    using fuzz::U32;
    const std::string formatArguments = Piece("abc") + Piece("xy") + Byte(3) + Byte(2) + U32(42) + U32(1) + U32(2) +
                                        U32(0x3FF80000) + U32(0);
    const std::string appended = Operation(Append, Piece("\x95\x5c\\n \x83\x5c[a]\r\n") + Byte(0xFF));
    std::vector<std::string> seeds;
    for (int format = 0; format < kConversions; ++format) {
        const std::string literal = format % 2 ? "a%b" : "\x81";
        seeds.push_back(appended + Operation(AppendFormat, Byte(static_cast<std::uint8_t>(format)) + Piece(literal) +
                                                               formatArguments));
    }
    seeds.push_back(appended + Operation(Replace, Piece("\\\\n") + Piece("\n") + Byte(0)) +
                    Operation(Move, Byte(4)));
    seeds.push_back(appended + Operation(GetToken, Piece("\r\n ") + Byte(0)) +
                    Operation(GetToken, Piece(" ") + Byte(1)));
    seeds.push_back(appended + Operation(Search, Byte(0) + U16(0x5C)) + Operation(Search, Byte(1) + U16(0x835C)) +
                    Operation(Move, Byte(3)) + Operation(Extract, Byte(2) + Byte(1)));
    seeds.push_back(appended + Operation(WriteDirectly, Piece("abcdefgh")) + Operation(Move, Byte(1)) +
                    Operation(Search, Byte(0) + U16('a')) + Operation(Reserve, Byte(200)) +
                    Operation(Extract, Byte(2) + Byte(0xFF)));
    seeds.push_back(appended + Operation(ReadFromStream, Byte(1) + Piece(U32(3) + "abc")) +
                    Operation(ReadFromStream, Byte(0) + Piece("a\r\r\nb\r")) +
                    Operation(AssignItself, Byte(1) + Byte(2)) + Operation(AssignOther) + Operation(Copy) +
                    Operation(RemoveChars, Piece(" ")) + Operation(Clear) + Operation(AppendNothing, Byte(10)));
    seeds.push_back(Operation(Reserve, Byte(0xFA)) + appended + Operation(Query, Piece("X") + Byte(0)));
    return seeds;
}

[[maybe_unused]] const bool registered = fuzz::Register({"string_ops", Run, Seeds});

}  // namespace
