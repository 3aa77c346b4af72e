#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "files/OCFile.h"
#include "tests/support/Scratch.h"
#include "tests/text/StringFixtures.h"
#include "tests/text/TestHeap.h"
#include "text/OCString.h"

namespace {

std::string Bytes(const char* bytes, std::size_t count) { return std::string(bytes, count); }

// The same bytes behind the two kinds of stream the string reads from.
enum class Source { Memory, Disk };

class Stream {
public:
    Stream(Source source, const std::string& bytes) : data(bytes) {
        if (source == Source::Memory) {
            file.OpenMemory(data.data(), static_cast<std::uint32_t>(data.size()));
        } else {
            directory = std::make_unique<ScratchDirectory>();
            WriteFile("stream.bin", data);
            file.Open("stream.bin", OCFile::ModeRead);
        }
    }

    std::string data;
    std::unique_ptr<ScratchDirectory> directory;
    OCFile file;
};

const char* NameOf(Source source) { return source == Source::Memory ? "memory" : "disk"; }

TEST(OCStringReadCounted, CountsAndWhatArrives) {
    struct Row {
        const char* name;
        std::string bytes;
        Expected expected;
        std::int64_t position;  // where the stream stands afterwards
    };
    const std::string z64(64, 'z');
    const std::vector<Row> rows = {
        {"three bytes", Bytes("\x03\0\0\0" "abc", 7), {"abc", 64, 3, 0}, 7},
        {"the stream goes on behind", Bytes("\x02\0\0\0" "abXYZ", 9), {"ab", 64, 2, 0}, 6},
        {"64 bytes take 128", Bytes("\x40\0\0\0", 4) + z64, {z64, 128, 64, 0}, 68},
        {"a zero count: no buffer", Bytes("\0\0\0\0" "abc", 7), kNoBuffer, 4},
        {"a negative count: no buffer", Bytes("\0\0\0\x80" "abc", 7), kNoBuffer, 4},
        {"a count of -1: no buffer", Bytes("\xFF\xFF\xFF\xFF" "abc", 7), kNoBuffer, 4},
        {"a count with no step of 64 left: no buffer", Bytes("\xFF\xFF\xFF\x7F" "abc", 7), kNoBuffer, 4},
        {"more counted than arrives: what arrived", Bytes("\x05\0\0\0" "ab", 6), {"ab", 64, 2, 0}, 6},
        {"a zero inside: the measured text", Bytes("\x04\0\0\0" "a\0bc", 8), {"a", 64, 1, 0}, 8},
        {"a count cut short", Bytes("\x02\0", 2), {"", 64, 0, 0}, 2},
        {"an empty stream", "", kNoBuffer, 0},
    };
    for (Source source : {Source::Memory, Source::Disk}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << NameOf(source) << ": " << row.name);
            Stream stream(source, row.bytes);
            OCString text("old");
            text.ReadCounted(stream.file);
            ExpectState(text, row.expected);
            EXPECT_EQ(row.position, stream.file.position);
        }
    }
}

TEST(OCStringReadCounted, ARefusedAllocationTakesOnlyTheCount) {
    Stream stream(Source::Memory, Bytes("\x03\0\0\0" "abc", 7));
    OCString text;
    {
        testheap::RefuseAllocations refuse;
        text.ReadCounted(stream.file);
    }
    ExpectState(text, kNoBuffer);
    EXPECT_EQ(4, stream.file.position);
}

TEST(OCStringReadAll, LineEndsBecomeLineFeeds) {
    struct Row {
        const char* name;
        std::string bytes;
        int skip;  // bytes read off the stream before
        Expected expected;
    };
    const std::string q64(64, 'q');
    const std::vector<Row> rows = {
        {"CR LF, CR and LF", "a\r\nb\rc\n", 0, {"a\nb\nc\n", 64, 6, 0}},
        {"CR before CR LF", "a\r\r\nb", 0, {"a\n\nb", 64, 4, 0}},
        {"only line ends", "\r\n\r\n\r", 0, {"\n\n\n", 64, 3, 0}},
        {"an empty stream: an empty text in 64", "", 0, {"", 64, 0, 0}},
        {"from the current position", "xxabc", 2, {"abc", 64, 3, 0}},
        {"a zero inside: the measured text", Bytes("ab\0cd", 5), 0, {"ab", 64, 2, 0}},
        {"64 bytes take 128", q64, 0, {q64, 128, 64, 0}},
    };
    for (Source source : {Source::Memory, Source::Disk}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << NameOf(source) << ": " << row.name);
            Stream stream(source, row.bytes);
            char skipped[8];
            stream.file.Read(skipped, static_cast<std::uint32_t>(row.skip));
            OCString text("old");
            text.ReadAll(stream.file);
            ExpectState(text, row.expected);
        }
    }
}

TEST(OCStringReadAll, ARefusedAllocationReadsNothing) {
    Stream stream(Source::Memory, "abc\r\n");
    OCString text("old");
    {
        testheap::RefuseAllocations refuse;
        text.ReadAll(stream.file);
    }
    ExpectState(text, kNoBuffer);
    EXPECT_EQ(0, stream.file.position);
}

}  // namespace
