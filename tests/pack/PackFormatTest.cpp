#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "files/OCFile.h"
#include "files/pack/OCPackHeader.h"
#include "files/pack/OCVirtualBuffer.h"
#include "tests/pack/PackFixtures.h"
#include "text/OCException.h"

namespace {

using packwriter::Compress;
using packwriter::Noise;
using packwriter::U32;

std::string Double(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return U32(static_cast<std::uint32_t>(bits)) + U32(static_cast<std::uint32_t>(bits >> 32));
}

std::string NameField(const std::string& name) {
    std::string field = name;
    field.resize(256, '\0');
    return field;
}

// Bytes that no field of any header may take in: each row ends with them.
const std::string kTail = Double(7.0) + NameField("NOT A NAME");

struct HeaderCase {
    const char* what;
    std::string bytes;
    std::uint32_t version, entryCount, directorySize, compressedDirectorySize;
    double number;
    std::string name;
    std::int64_t consumed;  // bytes read
    std::uint32_t size;     // GetSize
};

TEST(OCPackHeaderRead, EachVersionReadsItsOwnFields) {
    const std::string counts = U32(7) + U32(0x1234) + U32(0x56);
    const std::vector<HeaderCase> cases = {
        {"version 0: version and count only", U32(0) + U32(7) + kTail, 0, 7, 0, 0, 0.0, "", 8, 16},
        {"version 1: no number, no name", U32(1) + counts + kTail, 1, 7, 0x1234, 0x56, 0.0, "", 16, 16},
        {"version 2: the number is a u32", U32(2) + counts + U32(0xFFFFFFFF) + NameField("PACK") + kTail, 2, 7,
         0x1234, 0x56, 4294967295.0, "PACK", 276, 276},
        {"version 3: the number is a double", U32(3) + counts + Double(2.5) + NameField("PACK") + kTail, 3, 7,
         0x1234, 0x56, 2.5, "PACK", 280, 280},
        {"version 4 reads as version 3", U32(4) + counts + Double(-1.0) + NameField("\x95\x5c") + kTail, 4, 7,
         0x1234, 0x56, -1.0, "\x95\x5c", 280, 280},
        {"a version above 4: only the version", U32(5) + counts + kTail, 5, 0, 0, 0, 0.0, "", 4, 16},
        {"an empty file: a new header", "", 3, 0, 0, 0, 0.0, "", 0, 280},
        {"a file ending inside the name keeps the rest", (U32(3) + counts + Double(1.0) + "ABC"), 3, 7, 0x1234,
         0x56, 1.0, "ABC", 27, 280},
        {"a file ending inside a count keeps its other bytes", U32(1) + std::string("\x07\x00", 2), 1, 7, 0, 0,
         0.0, "", 6, 16},
    };
    for (const HeaderCase& row : cases) {
        SCOPED_TRACE(row.what);
        std::string bytes = row.bytes;
        OCFile file;
        file.OpenMemory(&bytes[0], static_cast<std::uint32_t>(bytes.size()));
        OCPackHeader header;
        header.Read(file);
        EXPECT_EQ(row.version, header.version);
        EXPECT_EQ(row.entryCount, header.entryCount);
        EXPECT_EQ(row.directorySize, header.directorySize);
        EXPECT_EQ(row.compressedDirectorySize, header.compressedDirectorySize);
        EXPECT_EQ(row.number, header.number);
        EXPECT_EQ(NameField(row.name), std::string(header.name, sizeof header.name));
        EXPECT_EQ(row.consumed, file.position);
        EXPECT_EQ(row.size, header.GetSize());
    }
}

TEST(OCPackHeaderRead, NewHeader) {
    const OCPackHeader header;
    EXPECT_EQ(3u, header.version);
    EXPECT_EQ(0u, header.entryCount);
    EXPECT_EQ(0u, header.directorySize);
    EXPECT_EQ(0u, header.compressedDirectorySize);
    EXPECT_EQ(0.0, header.number);
    EXPECT_EQ(std::string(256, '\0'), std::string(header.name, sizeof header.name));
}

std::string Values(std::vector<std::uint32_t> values) {
    std::string bytes;
    for (std::uint32_t value : values) bytes += U32(value);
    return bytes;
}

struct RecordCase {
    const char* what;
    void (OCPackEntry::*read)(OCFile& file);
    std::string bytes;
    std::string name;
    std::vector<std::uint32_t> values;  // all six afterwards
    std::int64_t consumed;
};

TEST(OCPackEntryRead, EachVersionReadsItsValues) {
    const std::uint32_t kept = 0xCCCCCCCC;  // what the record held before
    const std::string tail = Values({0xEEEEEEEE, 0xEEEEEEEE});
    const std::vector<RecordCase> cases = {
        {"version 0: three values", &OCPackEntry::ReadV0, U32(3) + "A.B" + Values({1, 2, 3}) + tail, "A.B",
         {1, 2, 3, kept, kept, kept}, 19},
        {"versions 1 to 3: five values", &OCPackEntry::Read, U32(3) + "A.B" + Values({1, 2, 3, 4, 5}) + tail, "A.B",
         {1, 2, 3, 4, 5, kept}, 27},
        {"version 4: six values", &OCPackEntry::ReadV4, U32(3) + "A.B" + Values({1, 2, 3, 4, 5, 6}) + tail, "A.B",
         {1, 2, 3, 4, 5, 6}, 31},
        {"an empty name", &OCPackEntry::Read, U32(0) + Values({1, 2, 3, 4, 5}), "", {1, 2, 3, 4, 5, kept}, 24},
        {"a NUL ends the name, not the record", &OCPackEntry::Read, U32(5) + std::string("AB\0CD", 5) +
         Values({1, 2, 3, 4, 5}), "AB", {1, 2, 3, 4, 5, kept}, 29},
        {"values[1] cut after two bytes", &OCPackEntry::ReadV4, U32(1) + "A" + U32(1) + std::string("\x02\x00", 2),
         "A", {1, 0xCCCC0002, kept, kept, kept, kept}, 11},
        {"nothing left", &OCPackEntry::Read, "", "", {kept, kept, kept, kept, kept, kept}, 0},
    };
    for (const RecordCase& row : cases) {
        SCOPED_TRACE(row.what);
        std::string bytes = row.bytes;
        OCFile file;
        file.OpenMemory(&bytes[0], static_cast<std::uint32_t>(bytes.size()));
        OCPackEntry record;
        record.name.Assign("old");
        for (std::uint32_t& value : record.values) value = kept;
        (record.*row.read)(file);
        EXPECT_EQ(row.name, Text(record.name));
        EXPECT_EQ(row.values, std::vector<std::uint32_t>(record.values, record.values + 6));
        EXPECT_EQ(row.consumed, file.position);
    }
}

struct InflateCase {
    const char* what;
    std::string stream;          // what the file holds from the start of the zlib stream on
    std::uint32_t compressedSize;
    std::uint32_t room;
    bool fails;
    std::string output;          // when it does not fail
    bool nullBuffer = false;
};

TEST(OCFileInflate, ChunkedDecompression) {
    const std::string hello = Compress("hello");
    const std::string mixed = Noise(20000, 1) + std::string(100000, 'x') + Noise(30000, 2);
    const std::string mixedStream = Compress(mixed);
    const std::string oneChunk = Noise(4085, 3);  // level 0: 11 bytes of framing, 4096 in all
    const std::string chunkAndOne = Noise(4086, 4);
    std::string corrupt = mixedStream;
    corrupt[mixedStream.size() / 2] ^= 0x5A;
    std::string badChecksum = hello;
    badChecksum.back() ^= 1;
    const std::string empty = Compress("");
    const std::string dictionary = packwriter::CompressWithDictionary("dictionary dictionary", "dictionary");
    const std::string oneChunkStream = Compress(oneChunk, 0);
    const std::string chunkAndOneStream = Compress(chunkAndOne, 0);
    ASSERT_EQ(4096u, oneChunkStream.size());
    ASSERT_EQ(4097u, chunkAndOneStream.size());
    const auto size = [](const std::string& bytes) { return static_cast<std::uint32_t>(bytes.size()); };

    const std::vector<InflateCase> cases = {
        {"a short stream", hello, size(hello), 5, false, "hello"},
        {"a long stream over many chunks", mixedStream, size(mixedStream), size(mixed), false, mixed},
        {"a stream of exactly one chunk", oneChunkStream, 4096, 4085, false, oneChunk},
        {"a stream one byte longer than a chunk", chunkAndOneStream, 4097, 4086, false, chunkAndOne},
        {"compressedSize 0", hello, 0, 5, true, ""},
        {"output too small by one byte", hello, size(hello), 4, true, ""},
        {"corrupt deflate data", corrupt, size(corrupt), size(mixed), true, ""},
        {"a failed Adler-32 check", badChecksum, size(badChecksum), 5, true, ""},
        {"a stream wanting a preset dictionary", dictionary, size(dictionary), 64, true, ""},
        {"fewer bytes than size: the smaller count", hello, size(hello), 9, false, "hello"},
        {"a stream shorter than compressedSize", hello + "trailing", size(hello) + 8, 5, false, "hello"},
        {"a stream longer than compressedSize", mixedStream, size(mixedStream) - 1, size(mixed), true, ""},
        {"the file ends inside the stream", mixedStream.substr(0, 5000), size(mixedStream), size(mixed), true, ""},
        {"no output buffer", hello, size(hello), 5, true, "", true},
        {"an empty stream into no room", empty, size(empty), 0, false, ""},
        {"something that is not a zlib stream", "plain text, stored", 18, 64, true, ""},
    };
    for (const InflateCase& row : cases) {
        SCOPED_TRACE(row.what);
        // The stream starts behind other bytes: Inflate reads from the current position.
        std::string file = "JUNK" + row.stream;
        OCFile stream;
        stream.OpenMemory(&file[0], static_cast<std::uint32_t>(file.size()));
        stream.Seek(4, SEEK_SET);
        std::string output(row.room + 16, '\xCC');
        void* buffer = row.nullBuffer ? nullptr : &output[0];
        if (row.fails) {
            try {
                stream.Inflate(row.compressedSize, buffer, row.room);
                ADD_FAILURE() << "no decompression error";
            } catch (const OCErrorException& error) {
                EXPECT_EQ(kInflateFailed, Text(error.message));
            }
            continue;
        }
        const std::uint32_t produced = stream.Inflate(row.compressedSize, buffer, row.room);
        EXPECT_EQ(row.output.size(), produced);
        EXPECT_EQ(row.output, output.substr(0, produced));
        EXPECT_EQ(std::string(output.size() - produced, '\xCC'), output.substr(produced)) << "written beyond";
    }
}

bool AllZero(const OCVirtualBuffer& buffer) {
    for (std::uint32_t i = 0; i < buffer.size; ++i)
        if (buffer.data[i]) return false;
    return true;
}

TEST(OCVirtualBufferResize, HoldsZeroedPages) {
    OCVirtualBuffer buffer;
    buffer.Resize(0);
    EXPECT_EQ(0u, buffer.size);
    EXPECT_EQ(nullptr, buffer.data);

    buffer.Resize(5000);
    ASSERT_NE(nullptr, buffer.data);
    EXPECT_EQ(5000u, buffer.size);
    EXPECT_TRUE(AllZero(buffer));

    std::memset(buffer.data, 0xAB, buffer.size);
    unsigned char* const pages = buffer.data;
    buffer.Resize(5000);
    EXPECT_EQ(pages, buffer.data) << "the same size keeps the pages";
    EXPECT_TRUE(AllZero(buffer));

    std::memset(buffer.data, 0xAB, buffer.size);
    buffer.Resize(100);
    EXPECT_EQ(100u, buffer.size);
    EXPECT_TRUE(AllZero(buffer));

    buffer.Resize(0);
    EXPECT_EQ(0u, buffer.size);
    EXPECT_EQ(nullptr, buffer.data);
}

}  // namespace
