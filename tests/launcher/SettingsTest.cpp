#include "launcher/Settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/launcher/SettingsCases.h"
#include "tests/support/Hooks.h"
#include "tests/support/Scratch.h"
#include "text/OCException.h"

namespace {

using settingscases::Case;
using settingscases::kCases;
using settingscases::kSection;
const char kUnchanged[] = "(unchanged)";

std::string Text(const OCString& string) { return string.GetText() ? string.GetText() : ""; }

// The value a lookup leaves, or kUnchanged when it wrote nothing.
std::string Lookup(const std::string& lines, const char* key, const char* section = kSection) {
    OCString text(lines.c_str());
    OCString value(kUnchanged);
    ParseSetting(section, key, value, text);
    return Text(value);
}

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
