// The settings text of GAME.INI: sections in brackets, key lines of a key, a TAB or '=' and a
// value, comments after an apostrophe; text of the ANSI code page, two-byte characters as units.
#pragma once

#include "text/OCString.h"

// Opens fileName (on disk, else in the pack archives of the current directory, else asking
// the user), reads it whole and looks the key up; value changes only when the key is found.
// Throws OCErrorException when the user chooses Abort.
void ReadSetting(const char* section, const char* key, OCString& value, const char* fileName);

// Looks key up in section, from the read position of text. The first non-empty value found
// goes into value. Afterwards text's read position is on the last matching header met, so
// that a further lookup begins at that section.
void ParseSetting(const char* section, const char* key, OCString& value, OCString& text);
