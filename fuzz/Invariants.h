// The promises an OCString keeps after every operation, checked from outside.
#pragma once

#include "text/OCString.h"

namespace fuzz {

// lengthRecorded is false after bytes were written straight into the buffer: such a write
// leaves the recorded length as it was, and the cursor may then stand behind the text, but
// never outside the buffer.
void CheckString(const OCString& string, bool lengthRecorded = true);

// A pointer that a search or GetToken returned: null, or a character of the string's text.
void CheckInText(const OCString& string, const char* position);

// Whether a character of the text (stepped as the system steps, a two-byte character as
// one) is one of set's single bytes.
bool HasCharacterOf(const OCString& string, const char* set);

}  // namespace fuzz
