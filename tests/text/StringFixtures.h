// Fixtures shared by the string tests: strings set up as a test needs them, and one check
// of the whole visible state.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "text/OCString.h"

// The cursor's offset from the first byte; -1 when it is null.
inline long CursorOf(const OCString& text) { return text.cursor ? static_cast<long>(text.cursor - text.buffer) : -1; }

// What a string should hold afterwards; no text means: no buffer at all.
struct Expected {
    std::optional<std::string> text;
    int capacity;
    int length;
    long cursor;
};
const Expected kNoBuffer{std::nullopt, 0, 0, -1};

inline void ExpectState(const OCString& text, const Expected& expected) {
    if (!expected.text) {
        EXPECT_EQ(nullptr, text.buffer);
        EXPECT_EQ(nullptr, text.cursor);
        EXPECT_EQ(0, text.capacity);
        EXPECT_EQ(0, text.length);
        return;
    }
    ASSERT_NE(nullptr, text.buffer);
    EXPECT_EQ(*expected.text, std::string(text.buffer));
    EXPECT_EQ(expected.capacity, text.capacity);
    EXPECT_EQ(expected.length, text.length);
    EXPECT_EQ(expected.cursor, CursorOf(text));
}

using Prepare = std::function<void(OCString&)>;

// A string holding text, the cursor at offset.
inline Prepare Text(const std::string& text, int cursor = 0) {
    return [text, cursor](OCString& string) {
        string.Assign(text.c_str());
        string.cursor = string.buffer + cursor;
    };
}

inline Prepare NoBuffer() {
    return [](OCString& string) { string.Clear(); };
}

// Bytes written straight into the buffer that Reserve(room) made, zeros and what follows
// them included, as a direct write leaves them: length stays 0.
inline Prepare Written(const std::string& bytes, int room = 63, int cursor = 0) {
    return [bytes, room, cursor](OCString& string) {
        string.Clear();
        string.Reserve(room);
        std::memcpy(string.buffer, bytes.data(), bytes.size());
        string.buffer[bytes.size()] = '\0';
        string.cursor = string.buffer + cursor;
    };
}
