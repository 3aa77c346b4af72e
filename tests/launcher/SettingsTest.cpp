#include "launcher/Settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/Hooks.h"
#include "tests/support/Scratch.h"
#include "text/OCException.h"

namespace {

// "設定" (settings), the launcher's section: 90 DD 92 E8.
#define SETTINGS "\x90\xdd\x92\xe8"
const char kSection[] = SETTINGS;
const char kUnchanged[] = "(unchanged)";

std::string Text(const OCString& string) { return string.GetText() ? string.GetText() : ""; }

// The value a lookup leaves, or kUnchanged when it wrote nothing.
std::string Lookup(const std::string& lines, const char* key, const char* section = kSection) {
    OCString text(lines.c_str());
    OCString value(kUnchanged);
    ParseSetting(section, key, value, text);
    return Text(value);
}

struct Case {
    const char* shows;
    const char* lines;
    const char* key;
    const char* expected;  // null: not found
    const char* section = kSection;
};

const Case kCases[] = {
    {"the space and '=' after the key are skipped", "[" SETTINGS "]\nTitle = Sample Game\n", "Title", "Sample Game"},
    {"the value ends at the next TAB", "[" SETTINGS "]\n\tTitle\t\tSample\tnote\n", "Title", "Sample"},
    {"spaces in the key are dropped, further '=' skipped", "[" SETTINGS "]\nTi tle==Sample\n", "Title", "Sample"},
    {"case is ignored", "[" SETTINGS "]\nTITLE=Sample\n", "Title", "Sample"},
    {"an empty value does not end the search", "[" SETTINGS "]\nTitle=\nTitle=Second\n", "Title", "Second"},
    {"the first value wins", "[" SETTINGS "]\nTitle=First\nTitle=Second\n", "Title", "First"},
    {"lines before the first header", "Title=Sample\n[" SETTINGS "]\n", "Title", nullptr},
    {"a key of another section", "[Other]\nTitle=Sample\n[" SETTINGS "]\nName=Game\n", "Title", nullptr},
    {"a key after another section", "[Other]\nTitle=Sample\n[" SETTINGS "]\nName=Game\n", "Name", "Game"},
    {"a comment", "[" SETTINGS "]\n'Title=Sample\n", "Title", nullptr},
    {"spaces belong to the section name", "[ " SETTINGS " ]\nTitle=Sample\n", "Title", nullptr},
    {"text after ']' is ignored", "[" SETTINGS "] remark\nTitle=Sample\n", "Title", "Sample"},
    {"a second section of the name is searched, other sections not",
     "[" SETTINGS "]\nName=Alpha\n[Other]\nTitle=Beta\n[" SETTINGS "]\nTitle=Gamma\n", "Title", "Gamma"},
    {"after a '[' inside a line of another section, key lines follow",
     "[" SETTINGS "]\nName=Alpha\n[Other]\nMode=[1]\nTitle=Beta\n", "Title", "Beta"},
    {"a line of TABs; the last line needs no line end", "[" SETTINGS "]\n\t\t\nTitle=Sample", "Title", "Sample"},
    {"no TAB or '='", "[" SETTINGS "]\nTitle\n", "Title", nullptr},
    {"only separators after the key", "[" SETTINGS "]\nTitle=\t \t\n", "Title", nullptr},

    {"an escaped line feed stays in the value", "[" SETTINGS "]\nTitle=One\\\\nTwo\n", "Title", "One\nTwo"},
    {"an escaped TAB ends the value", "[" SETTINGS "]\nTitle=One\\\\tTwo\n", "Title", "One"},
    {"an escaped TAB separates the key", "[" SETTINGS "]\nTitle\\\\tSample\n", "Title", "Sample"},
    {"a single backslash is no escape", "[" SETTINGS "]\nTitle=One\\nTwo\\tThree\n", "Title", "One\\nTwo\\tThree"},
    {"95 5C 5C 6E holds no escape", "[" SETTINGS "]\nTitle=\x95\x5c\\n\n", "Title", "\x95\x5c\\n"},
    {"an escape after 95 5C", "[" SETTINGS "]\nTitle=\x95\x5c\\\\n\n", "Title", "\x95\x5c\n"},
    {"a ']' as second byte stays in the section name", "[\x83\x5d]\nTitle=Sample\n", "Title", "Sample", "\x83\x5d"},
    // The step back before that '[' takes 95 5C whole: the line read next begins with it.
    {"after a '[' inside a line, the line begins one character before it",
     "[" SETTINGS "]\n[Other]\nMode=\x95\x5c[Title]=Gamma\n", "\x95\x5c[Title]", "Gamma"},
    {"a '[' as second byte is no next header",
     "[" SETTINGS "]\nName=Alpha\n[Other]\nMode=\x81\x5b\nTitle=Beta\n", "Title", nullptr},
    {"two-byte letters are folded", "[\x82\x81\x82\x82]\nTitle=Sample\n", "Title", "Sample", "\x82\x60\x82\x61"},
    {"[] matches no section", "[]\nTitle=Sample\n", "Title", nullptr, ""},
    {"a header after a space is none", " [" SETTINGS "]\nTitle=Sample\n", "Title", nullptr},
    {"an unclosed header is named to the end of its line", "[" SETTINGS "\nTitle=Sample\n", "Title", "Sample"},
    {"an unclosed header keeps its last character", "[" SETTINGS "X\nTitle=Sample\n", "Title", nullptr},
    {"a repeated section", "[" SETTINGS "]\nName=Alpha\n[" SETTINGS "]\nTitle=Beta\n", "Title", "Beta"},
    {"spaces inside and after the value belong to it", "[" SETTINGS "]\nTitle=  Sample Game  \n", "Title",
     "Sample Game  "},
    {"'=' inside the value", "[" SETTINGS "]\nTitle=a=b\n", "Title", "a=b"},
    {"a key of spaces alone is no key", "[" SETTINGS "]\n  =Sample\n", "", nullptr},
    {"an empty key is no key", "[" SETTINGS "]\n=Sample\n", "", nullptr},
    {"CR LF line ends", "[" SETTINGS "]\r\n\r\nTitle=Sample\r\n", "Title", "Sample"},
    {"lone CR line ends", "[" SETTINGS "]\r'comment\rTitle=Sample\r", "Title", "Sample"},
    // 81 0A is one character of the code page, as the system's functions step: the line does
    // not end there.
    {"a lead byte takes the line feed after it", "[" SETTINGS "]\nTitle=\x81\nName=Game\n", "Title",
     "\x81\nName=Game"},
    {"a lead byte before the terminator", "[" SETTINGS "]\nTitle=Sample\x81", "Title", "Sample\x81"},
    {"an empty text", "", "Title", nullptr},
};

TEST(ParseSetting, Table) {
    for (std::size_t row = 0; row < sizeof kCases / sizeof kCases[0]; ++row) {
        const Case& c = kCases[row];
        SCOPED_TRACE(testing::Message() << "row " << row << ": " << c.shows);
        EXPECT_EQ(c.expected ? c.expected : kUnchanged, Lookup(c.lines, c.key, c.section));
    }
}

TEST(ParseSetting, TextWithoutBufferFindsNothing) {
    OCString text;
    OCString value(kUnchanged);
    ParseSetting(kSection, "Title", value, text);
    EXPECT_EQ(kUnchanged, Text(value));
}

// The read position ends on the last matching header met, so that a further lookup begins at
// that section.
TEST(ParseSetting, ReadPositionEndsOnTheLastMatchingHeader) {
    const std::string lines = "[" SETTINGS "]\nName=Alpha\n[Other]\nTitle=Beta\n[" SETTINGS "]\nTitle=Gamma\n";
    OCString text(lines.c_str());
    OCString title;
    ParseSetting(kSection, "Title", title, text);
    EXPECT_EQ("Gamma", Text(title));
    const std::size_t second = lines.rfind('[');
    EXPECT_EQ(text.GetText() + second, text.GetCursor());

    // From there the first section is out of reach: a matching header was met.
    OCString name(kUnchanged);
    ParseSetting(kSection, "Name", name, text);
    EXPECT_EQ(kUnchanged, Text(name));
    EXPECT_EQ(text.GetText() + second, text.GetCursor());
}

// A lookup that begins past the start without meeting its section starts over from the
// start of the text, whether it reaches the end of the text or a last header of another
// section with no '[' after it.
TEST(ParseSetting, SearchFromInsideTheTextStartsOver) {
    const std::string lines = "[" SETTINGS "]\nTitle=Alpha\n[Other]\nMode=1\n";
    const struct {
        const char* shows;
        const char* from;
    } starts[] = {
        {"a key line of another section, then the end of the text", "Mode=1"},
        {"the header of the last section", "[Other]"},
    };
    for (const auto& start : starts) {
        SCOPED_TRACE(start.shows);
        OCString text(lines.c_str());
        text.SetCursor(static_cast<int>(lines.find(start.from)), 0);
        OCString title;
        ParseSetting(kSection, "Title", title, text);
        EXPECT_EQ("Alpha", Text(title));
        EXPECT_EQ(text.GetText(), text.GetCursor());
    }
}

std::string Read(const char* key, const char* fileName = "GAME.INI") {
    OCString value(kUnchanged);
    ReadSetting(kSection, key, value, fileName);
    return Text(value);
}

// The file is read whole with its line ends made line feeds before it is parsed.
TEST(ReadSetting, LineEndsOfEveryKindParseAlike) {
    const struct {
        const char* shows;
        std::string bytes;
    } files[] = {
        {"line feeds", "'made by hand\n[" SETTINGS "]\nName=Game\n'note\nTitle=Sample\n"},
        {"CR LF", "'made by hand\r\n[" SETTINGS "]\r\nName=Game\r\n'note\r\nTitle=Sample\r\n"},
        {"lone CR", "'made by hand\r[" SETTINGS "]\rName=Game\r'note\rTitle=Sample\r"},
        {"mixed, no final line end", "'made by hand\r\r\n[" SETTINGS "]\rName=Game\n'note\r\nTitle=Sample"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.shows);
        ScratchDirectory scratch;
        WriteFile("GAME.INI", file.bytes);
        EXPECT_EQ("Game", Read("Name"));
        EXPECT_EQ("Sample", Read("Title"));
    }
}

TEST(ReadSetting, NulEndsTheText) {
    ScratchDirectory scratch;
    const char bytes[] = "[" SETTINGS "]\nTitle=A\0B\nName=Game\n";
    WriteFile("GAME.INI", std::string(bytes, sizeof bytes - 1));
    EXPECT_EQ("A", Read("Title"));
    EXPECT_EQ(kUnchanged, Read("Name"));
}

TEST(ReadSetting, LongValue) {
    ScratchDirectory scratch;
    const std::string title(1 << 20, 'x');
    WriteFile("GAME.INI", "[" SETTINGS "]\nTitle=" + title + "\nName=Game\n");
    EXPECT_EQ(title, Read("Title"));
    EXPECT_EQ("Game", Read("Name"));
}

// "Cannot open file GAME.INI." / "File error"
const char kCannotOpenSettings[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8b GAME.INI \x82\xaa\x8a\x4a\x82\xaf\x82\xdc\x82\xb9\x82\xf1\x81\x42";
const char kFileError[] = "\x83\x74\x83\x40\x83\x43\x83\x8b\x83\x47\x83\x89\x81\x5b";

TEST(ReadSetting, MissingFileAsksTheUser) {
    ScratchDirectory scratch;
    {
        DialogAnswers dialogs({IDIGNORE});
        EXPECT_EQ(kUnchanged, Read("Title"));
        ASSERT_EQ(1u, dialogs.Shown().size());
        EXPECT_EQ(kCannotOpenSettings, dialogs.Shown()[0].text);
        EXPECT_EQ(kFileError, dialogs.Shown()[0].caption);
        EXPECT_EQ(MB_ABORTRETRYIGNORE | MB_TOPMOST, dialogs.Shown()[0].type);
    }
    {
        DialogAnswers dialogs({IDABORT});
        OCString value(kUnchanged);
        EXPECT_THROW(ReadSetting(kSection, "Title", value, "GAME.INI"), OCErrorException);
        EXPECT_EQ(kUnchanged, Text(value));
    }
}

}  // namespace
