// The settings lookups of the launcher's tests, one row each: the unit tests check every
// result, and the settings fuzz target starts from these texts.
#pragma once

// "設定" (settings), the launcher's section: 90 DD 92 E8.
#define SETTINGS "\x90\xdd\x92\xe8"

namespace settingscases {

inline constexpr char kSection[] = SETTINGS;

struct Case {
    const char* shows;
    const char* lines;
    const char* key;
    const char* expected;  // null: not found
    const char* section = kSection;
};

inline const Case kCases[] = {
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

}  // namespace settingscases
