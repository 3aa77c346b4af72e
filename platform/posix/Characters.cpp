#include "platform/Platform.h"

#include <cstring>

#include "platform/posix/CodePage932.h"

BOOL IsDBCSLeadByte(BYTE byte) { return cp932::IsLeadByte(byte); }

LPSTR CharNextA(LPCSTR text) { return const_cast<LPSTR>(text + cp932::CharacterAt(text).size); }

LPSTR CharPrevA(LPCSTR start, LPCSTR current) {
    // Where characters begin is known only from the start: walk forwards to the last
    // character that begins before current.
    LPCSTR previous = start;
    for (LPCSTR next = start; next < current && *next; next = CharNextA(next)) previous = next;
    return const_cast<LPSTR>(previous);
}

int lstrlenA(LPCSTR text) { return text ? static_cast<int>(::strlen(text)) : 0; }
