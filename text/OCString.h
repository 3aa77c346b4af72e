// A byte text of the ANSI code page with a cursor for parsing. Two-byte characters are
// units in every step, search and comparison.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "platform/Platform.h"

class OCFile;

class OCString {
public:
    OCString() = default;
    // -1: no buffer; otherwise room for more than size bytes and an empty text.
    explicit OCString(int size);
    explicit OCString(const char* text, int count = -1);
    OCString(const OCString& other);
    OCString& operator=(const OCString& other) { return Assign(other); }
    virtual ~OCString();

    void Assign(const char* text, int count);
    OCString& Assign(const char* text);
    OCString& Assign(const OCString& other);

    char* GetText() const { return buffer; }
    char* GetCursor() const { return cursor; }
    int GetLength() const;
    int IsEmpty() const;
    std::uint32_t GetChar() const;
    int CompareNoCase(const char* text) const;

    void MoveToStart();
    void MoveToEnd();
    char* MoveNext();
    char* MovePrevious();
    char* SetCursor(int offset, int origin);
    char* Find(std::uint32_t character);
    char* FindLast(std::uint32_t character);
    char* FindOneOf(const char* set);
    char* SkipOver(const char* set);

    void Reserve(int size);
    void Clear();
    void Append(const char* text, int count);
    OCString& Append(const char* text);
    void Format(const char* format, ...);
    void AppendFormat(const char* format, ...);
    void AppendFormatV(const char* format, va_list arguments);
    void Extract(OCString& out, const char* from, const char* to) const;
    char* Delete(int count, int position);
    void Replace(const char* find, const char* replacement);
    void RemoveChars(const char* set);
    char* GetToken(OCString& out, const char* delimiters, int keepDelimiter);
    void ReadCounted(OCFile& file);
    void ReadAll(OCFile& file);
    int ShowMessage(HWND owner, const char* caption, unsigned int type) const;

    char* buffer = nullptr;  // the text and its terminator; null without a buffer
    int capacity = 0;        // text bytes the buffer takes before its terminator: 0 or a multiple of 64
    int length = 0;          // the recorded length of the text
    char* cursor = nullptr;  // within the text, terminator included; null without a buffer

private:
    // The capacity Reserve(size) grows to: the smallest multiple of 64 above size.
    static std::int64_t RoomFor(int size);
    // The cursor's offset; a cursor that a direct write left beyond the text counts as on
    // its terminator.
    int CursorOffset() const;
    // How far SetCursor and Delete may place the cursor: the recorded length, but never
    // beyond the terminator.
    int CursorBound() const;
    // from, with a second zero behind the text's terminator, for the runtime's searches.
    unsigned char* Searchable(char* from) const;
    // The result of a search of the runtime's from `from`, measuring the text only when the
    // search went past its terminator.
    template <typename Search>
    unsigned char* SearchFrom(char* from, Search search) const;
    // The first character at or after from that is not in set.
    unsigned char* SkipFrom(char* from, const char* set) const;
    // Copies count bytes behind the recorded length, growing the buffer for them.
    void AppendAtLength(const char* text, int count);
    // Appends one piece of a text being rebuilt; 0 when that cost this temporary its buffer.
    // A temporary's recorded length is its length, so it is not measured for every piece.
    int AppendPiece(const char* text, int count);
    // A search result becomes the cursor; the terminator is never an occurrence.
    char* MoveTo(unsigned char* found);
    // Replaces the text by a copy of the temporary's, in a buffer sized for it. 0 when that
    // buffer cannot be had; the string then keeps its own text.
    int TakeText(const OCString& temporary);
};
