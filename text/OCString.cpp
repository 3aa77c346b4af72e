#include "text/OCString.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <new>
#include <utility>

#include "files/ProcessState.h"
#include "platform/Seam.h"
#include "text/OCException.h"

namespace {

const unsigned char* Bytes(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

// A size beyond what an int holds stays beyond reach: Reserve refuses it instead of wrapping.
int ReservableSize(std::int64_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

// The second bytes of code page 932's double-byte characters. The platform answers only the
// lead-byte question; a lead byte followed by any other byte starts no character.
bool IsSecondByte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFC && byte != 0x7F; }

bool Between(const char* position, const char* first, const char* last) {
    const std::less_equal<const char*> notAfter;
    return notAfter(first, position) && notAfter(position, last);
}

// The next occurrence of find that starts a character. Wine's _mbsstr compares byte by byte
// and also stops on a second byte; the real msvcrt steps by characters, so it never
// returns what this passes over.
unsigned char* FindText(const char* from, const char* find) {
    for (const char* at = from;;) {
        unsigned char* found = _mbsstr(Bytes(at), Bytes(find));
        if (!found) return nullptr;
        const char* match = reinterpret_cast<const char*>(found);
        while (at < match) at = CharNextA(at);
        if (at == match) return found;
    }
}

}  // namespace

OCString::OCString(int size) {
    if (size != -1) Reserve(size);
}

OCString::OCString(const char* text, int count) { Append(text, count); }

OCString::OCString(const OCString& other) { Append(other.buffer, -1); }

OCString::~OCString() { delete[] buffer; }

void OCString::Assign(const char* text, int count) {
    if (text && text == buffer) return;
    if (!text && !buffer && count == -1) return;
    Clear();
    Append(text, count);
}

OCString& OCString::Assign(const char* text) {
    if (text == buffer) return *this;
    Clear();
    return Append(text);
}

OCString& OCString::Assign(const OCString& other) {
    if (other.buffer == buffer) return *this;
    Clear();
    return Append(other.buffer);
}

int OCString::GetLength() const { return lstrlenA(buffer); }

int OCString::IsEmpty() const { return !buffer || !buffer[0]; }

std::uint32_t OCString::GetChar() const {
    if (!cursor || !*cursor) return 0;
    const unsigned char first = static_cast<unsigned char>(cursor[0]);
    if (!IsDBCSLeadByte(first)) return first;
    const unsigned char second = static_cast<unsigned char>(cursor[1]);
    return IsSecondByte(second) ? first * 256u + second : 0;
}

int OCString::CompareNoCase(const char* text) const {
    if (!cursor) return text ? -1 : 0;
    if (!text) return 1;
    const int order = _mbsicmp(Searchable(cursor), Bytes(text));
    return (order > 0) - (order < 0);
}

void OCString::MoveToStart() { cursor = buffer; }

void OCString::MoveToEnd() { cursor = buffer ? buffer + GetLength() : nullptr; }

char* OCString::MoveNext() {
    if (cursor) cursor = CharNextA(cursor);
    return cursor;
}

char* OCString::MovePrevious() {
    if (cursor) cursor = CharPrevA(buffer, cursor);
    return cursor;
}

char* OCString::SetCursor(int offset, int origin) {
    if (!buffer) return cursor;
    std::int64_t target;
    if (origin == 0)
        target = offset;
    else if (origin == 1)
        target = (cursor - buffer) + static_cast<std::int64_t>(offset);
    else
        return cursor;
    if (target >= 0 && target <= CursorBound()) cursor = buffer + target;
    return cursor;
}

// A search result with no zero between from and it lies within the text, and the search
// read nothing behind the terminator to find it: it is what the search gives from Searchable.
// Only a result behind a zero, which Wine's msvcrt can reach, is searched for again with the
// second zero in place. So a search costs what it scans, not the length of the rest of the
// text, and a walk over a long text line by line stays linear.
template <typename Search>
unsigned char* OCString::SearchFrom(char* from, Search search) const {
    unsigned char* found = search(reinterpret_cast<unsigned char*>(from));
    if (!found || !std::memchr(from, 0, static_cast<std::size_t>(reinterpret_cast<char*>(found) - from))) return found;
    return search(Searchable(from));
}

char* OCString::Find(std::uint32_t character) {
    if (!cursor) return nullptr;
    return MoveTo(SearchFrom(cursor, [character](unsigned char* text) { return _mbschr(text, character); }));
}

char* OCString::FindLast(std::uint32_t character) {
    if (!cursor) return nullptr;
    return MoveTo(SearchFrom(cursor, [character](unsigned char* text) { return _mbsrchr(text, character); }));
}

char* OCString::FindOneOf(const char* set) {
    if (!cursor || !set) return nullptr;
    return MoveTo(SearchFrom(cursor, [set](unsigned char* text) { return _mbspbrk(text, Bytes(set)); }));
}

char* OCString::SkipOver(const char* set) {
    if (!cursor || !set) return nullptr;
    return MoveTo(SkipFrom(cursor, set));
}

std::int64_t OCString::RoomFor(int size) { return (static_cast<std::int64_t>(size) & ~std::int64_t{63}) + 64; }

void OCString::Reserve(int size) {
    // From 2^31 - 64 on there is no multiple of 64 above size that an int holds: nothing grows.
    const std::int64_t target = RoomFor(size);
    if (target <= capacity || target > INT_MAX) return;
    const int offset = buffer ? CursorOffset() : 0;
    // Two zeros behind the room, so that a scan from anywhere in it ends inside the buffer,
    // even one that takes a lead byte in the last place and the terminator for a character.
    char* grown = new (std::nothrow) char[static_cast<std::size_t>(target) + 2];
    if (!grown) {
        Clear();
        return;
    }
    grown[0] = grown[target] = grown[target + 1] = '\0';
    if (buffer) {
        std::memcpy(grown, buffer, static_cast<std::size_t>(GetLength()) + 1);
        delete[] buffer;
    }
    buffer = grown;
    capacity = static_cast<int>(target);
    cursor = buffer + offset;
}

void OCString::Clear() {
    delete[] buffer;
    buffer = nullptr;
    capacity = 0;
    length = 0;
    cursor = nullptr;
}

void OCString::Append(const char* text, int count) {
    if (!text) {
        // No source: with a count, an empty text with room for that many bytes.
        if (count != -1) {
            Reserve(ReservableSize(static_cast<std::int64_t>(length) + count));
            if (buffer) buffer[0] = '\0';
            length = 0;
        }
        cursor = buffer;
        return;
    }
    if (count == 0) return;
    if (count == -1) count = lstrlenA(text);
    if (count < 0) return;
    length = GetLength();
    AppendAtLength(text, count);
}

void OCString::AppendAtLength(const char* text, int count) {
    const std::int64_t needed = static_cast<std::int64_t>(length) + count;
    Reserve(ReservableSize(needed));
    if (!buffer || needed >= capacity) {
        Clear();
        return;
    }
    std::memcpy(buffer + length, text, static_cast<std::size_t>(count));
    length += count;
    buffer[length] = '\0';
    cursor = buffer;
}

OCString& OCString::Append(const char* text) {
    Append(text, -1);
    return *this;
}

void OCString::Extract(OCString& out, const char* from, const char* to) const {
    const char* end = buffer ? buffer + GetLength() : nullptr;
    if (!from) from = buffer;
    if (!to) to = end;
    if (std::less<const char*>()(to, from)) std::swap(from, to);
    if (!Between(from, buffer, end) || !Between(to, buffer, end)) return;
    out.Clear();
    out.Append(from, static_cast<int>(to - from));
}

char* OCString::Delete(int count, int position) {
    if (count > GetLength()) {
        Clear();
        return nullptr;
    }
    // Nothing to delete from, and nothing to gain a buffer for.
    if (!buffer) return nullptr;
    if (position != -1 && position >= 0 && position <= CursorBound()) cursor = buffer + position;
    const int offset = CursorOffset();
    OCString rest(capacity);
    int whole = rest.buffer && rest.AppendPiece(buffer, offset);
    // A count of 0, or one that runs past the end, removes everything from the cursor on.
    if (whole && count > 0 && static_cast<std::int64_t>(offset) + count <= GetLength())
        whole = rest.AppendPiece(buffer + offset + count, -1);
    if (!whole || !TakeText(rest)) {
        Clear();
        return nullptr;
    }
    cursor = buffer + offset;
    return cursor;
}

void OCString::Replace(const char* find, const char* replacement) {
    // An empty find text would match everywhere without ever moving on.
    if (!buffer || !find || !*find) return;
    const int findLength = lstrlenA(find);
    unsigned char* found = FindText(reinterpret_cast<char*>(Searchable(buffer)), find);
    if (!found) {
        cursor = buffer;
        return;
    }
    OCString rebuilt(capacity);
    try {
        const auto append = [&rebuilt](const char* text, int count) {
            if (!rebuilt.AppendPiece(text, count)) throw std::bad_alloc();
        };
        if (!rebuilt.buffer) throw std::bad_alloc();
        const char* copyFrom = buffer;
        for (; found; found = FindText(copyFrom, find)) {
            const char* match = reinterpret_cast<const char*>(found);
            append(copyFrom, static_cast<int>(match - copyFrom));
            if (replacement) append(replacement, -1);
            copyFrom = match + findLength;
        }
        append(copyFrom, -1);
        if (!TakeText(rebuilt)) throw std::bad_alloc();
    } catch (...) {
        // Whatever stops the rebuilding, the old text stays and the caller learns of it one way.
        throw OCException(-1);
    }
}

void OCString::RemoveChars(const char* set) {
    if (!buffer || !set) return;
    OCString kept;
    const char* copyFrom = buffer;
    unsigned char* scan = Searchable(cursor);
    int whole = 1;
    for (;;) {
        unsigned char* found = _mbspbrk(scan, Bytes(set));
        if (!found || !*found) {
            whole = kept.AppendPiece(copyFrom, -1);
            break;
        }
        whole = kept.AppendPiece(copyFrom, static_cast<int>(reinterpret_cast<char*>(found) - copyFrom));
        unsigned char* after = found + _mbsspn(found, Bytes(set));
        if (!whole || !*after) break;
        copyFrom = reinterpret_cast<const char*>(after);
        scan = after;
    }
    if (!whole || !TakeText(kept)) Clear();
}

char* OCString::GetToken(OCString& out, const char* delimiters, int keepDelimiter) {
    if (!cursor || !delimiters) return nullptr;
    char* start = reinterpret_cast<char*>(SkipFrom(cursor, delimiters));
    if (!*start) return nullptr;
    unsigned char* delimiter =
        SearchFrom(start, [delimiters](unsigned char* text) { return _mbspbrk(text, Bytes(delimiters)); });
    if (delimiter && *delimiter) {
        char* at = reinterpret_cast<char*>(delimiter);
        cursor = keepDelimiter ? CharNextA(at) : at;
    } else {
        cursor = start + lstrlenA(start);
    }
    const int tokenLength = static_cast<int>(cursor - start);
    out.Assign(nullptr, tokenLength + 1);
    if (out.buffer) {
        std::memcpy(out.buffer, start, static_cast<std::size_t>(tokenLength));
        out.buffer[tokenLength] = '\0';
        out.length = tokenLength;
    }
    return start;
}

int OCString::ShowMessage(HWND owner, const char* caption, unsigned int type) const {
    return seam::MessageBoxA(owner ? owner : messageOwner, buffer, caption, type | MB_TOPMOST);
}

int OCString::CursorOffset() const { return std::min(static_cast<int>(cursor - buffer), GetLength()); }

int OCString::CursorBound() const { return std::min(length, GetLength()); }

// Wine's msvcrt takes a lead byte before the terminator for a double-byte character and
// reads on behind it. A second zero after the text stops it there; the real msvcrt never
// looks past the first, so its results stay as they are. The buffer always has that byte.
unsigned char* OCString::Searchable(char* from) const {
    char* end = from + lstrlenA(from);
    end[1] = '\0';
    return reinterpret_cast<unsigned char*>(from);
}

unsigned char* OCString::SkipFrom(char* from, const char* set) const {
    return SearchFrom(from, [set](unsigned char* text) { return text + _mbsspn(text, Bytes(set)); });
}

int OCString::AppendPiece(const char* text, int count) {
    if (count == 0) return 1;
    AppendAtLength(text, count == -1 ? lstrlenA(text) : count);
    return buffer != nullptr;
}

char* OCString::MoveTo(unsigned char* found) {
    if (!found || !*found) return nullptr;
    cursor = reinterpret_cast<char*>(found);
    return cursor;
}

int OCString::TakeText(const OCString& temporary) {
    OCString taken(temporary);
    if (temporary.buffer && !taken.buffer) return 0;
    std::swap(buffer, taken.buffer);
    std::swap(capacity, taken.capacity);
    std::swap(length, taken.length);
    std::swap(cursor, taken.cursor);
    return 1;
}
