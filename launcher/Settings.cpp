#include "launcher/Settings.h"

#include "files/OCFile.h"

namespace {

// The header's name lies between the '[' and the first ']' of the line. A header left
// unclosed is named up to the end of its line, as a user who forgot the ']' expects.
bool IsSection(OCString& line, const char* section) {
    OCString name;
    line.Extract(name, line.GetText() + 1, line.Find(']'));
    // "[]" names no section, not even an empty one.
    return !name.IsEmpty() && name.CompareNoCase(section) == 0;
}

// The key runs from the first character that is not a TAB to the next TAB or '='; its spaces
// do not count. Leaves the line's cursor on that separator.
bool IsKeyLine(OCString& line, const char* key) {
    const char* start = line.SkipOver("\t");
    if (!start) return false;
    const char* separator = line.FindOneOf("\t=");
    if (!separator || separator == start) return false;
    OCString name;
    line.Extract(name, start, separator);
    name.RemoveChars(" ");
    // A key of spaces alone leaves no text, which differs from every key.
    return !name.IsEmpty() && name.CompareNoCase(key) == 0;
}

// After a header that does not match: moves the read position to one character before the
// next '[', wherever it stands, and tells whether there is one; without one the read
// position stays. When every read position so far was reached by stepping from the start of
// the text, the character before the '[' is found in the one scan for it, which steps alike;
// otherwise it is stepped back to from the start.
bool PassOverSection(OCString& text, bool steppedFromStart) {
    const char* at = text.GetCursor();
    const char* before = nullptr;
    for (; steppedFromStart && *at && *at != '['; at = CharNextA(at)) before = at;
    if (!before) {
        if (!text.Find('[')) return false;
        text.MovePrevious();
        return true;
    }
    if (!*at) return false;
    while (text.GetCursor() != before) text.MoveNext();
    return true;
}

}  // namespace

void ReadSetting(const char* section, const char* key, OCString& value, const char* fileName) {
    OCString text;
    {
        OCFile file;
        if (file.Open(fileName, OCFile::ModeRead)) text.ReadAll(file);
    }
    ParseSetting(section, key, value, text);
}

void ParseSetting(const char* section, const char* key, OCString& value, OCString& text) {
    int inSection = 0;
    int startedOver = 0;
    const char* matchedHeader = nullptr;  // where the last matching header line begins
    const bool beganAtStart = text.GetCursor() == text.GetText();
    // The lines before the read position are searched too, unless a matching header was met.
    auto startOver = [&]() {
        if (matchedHeader || startedOver) return false;
        text.MoveToStart();
        startedOver = 1;
        return true;
    };

    OCString line;
    for (;;) {
        const char* lineStart = text.GetToken(line, "\r\n", 0);
        if (!lineStart) {
            if (startOver()) continue;
            break;
        }
        if (*lineStart == '[') {
            if (IsSection(line, section)) {
                matchedHeader = lineStart;
                inSection = 1;
                continue;
            }
            // Another section: its lines are passed over in one scan for the next '[', wherever
            // it stands. One character before it, the next line read begins at the '[' when it
            // opens a line.
            if (PassOverSection(text, beganAtStart || startedOver)) continue;
            // Nothing but that section remains: a search that began past the start has yet to
            // see the lines before it, as at the end of the text.
            if (!beganAtStart && startOver()) continue;
            break;
        }
        if (!inSection) continue;
        // A comment: GetToken has already left the read position on the line end closing it.
        if (*lineStart == '\'') continue;
        line.Replace("\\\\n", "\n");
        line.Replace("\\\\t", "\t");
        if (!IsKeyLine(line, key)) continue;
        const char* valueStart = line.SkipOver("\t =");
        // An empty value does not end the search: a later line may still supply one.
        if (!valueStart) continue;
        line.Extract(value, valueStart, line.FindOneOf("\t"));
        break;
    }
    if (matchedHeader) text.SetCursor(static_cast<int>(matchedHeader - text.GetText()), 0);
}
