#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/Benchmarks.h"
#include "files/OCFile.h"

namespace {

const std::uint32_t kPiece = 64 * 1024;

// The pack file of the floors, positioned at the entry's first byte; null when it cannot be read.
std::FILE* OpenAtEntry(const EntryPlace& entry) {
    std::FILE* pack = std::fopen(kBigPack, "rb");
    if (pack && std::fseek(pack, static_cast<long>(entry.offset), SEEK_SET) != 0) {
        std::fclose(pack);
        return nullptr;
    }
    return pack;
}

// The stored entry read through its pack window in 64 KB pieces, from the lookup on.
void StoredRead(benchmark::State& state, const Fixtures& fixtures) {
    EnterFixture(fixtures.BigDirectory());
    const EntryPlace& entry = fixtures.StoredEntry();
    std::vector<unsigned char> piece(kPiece);
    OCFile file;
    file.Open(entry.name.c_str(), OCFile::ModeRead);
    Repeat(state, entry.size, "the entry read short", [&] {
        file.Open(entry.name.c_str(), OCFile::ModeRead);
        std::uint64_t total = 0;
        for (std::uint32_t got; (got = file.Read(piece.data(), kPiece)) > 0;) total += got;
        return total == entry.size;
    });
}

// The floor: fread of the same bytes from the same file in the same pieces.
void StoredFloor(benchmark::State& state, const Fixtures& fixtures) {
    EnterFixture(fixtures.BigDirectory());
    const EntryPlace& entry = fixtures.StoredEntry();
    std::vector<unsigned char> piece(kPiece);
    Repeat(state, entry.size, "the floor read short", [&] {
        std::uint64_t total = 0;
        if (std::FILE* pack = OpenAtEntry(entry)) {
            while (total < entry.size) {
                const std::size_t got =
                    std::fread(piece.data(), 1, std::min<std::uint64_t>(kPiece, entry.size - total), pack);
                if (got == 0) break;
                total += got;
            }
            std::fclose(pack);
        }
        return total == entry.size;
    });
}

// The lookup of the compressed entry, which inflates it whole into memory the stream owns;
// closing the stream releases it.
void CompressedOpen(benchmark::State& state, const Fixtures& fixtures) {
    EnterFixture(fixtures.BigDirectory());
    const EntryPlace& entry = fixtures.CompressedEntry();
    OCFile file;
    file.Open(entry.name.c_str(), OCFile::ModeRead);
    Repeat(state, entry.size, "the entry did not inflate", [&] {
        const bool inflated =
            file.Open(entry.name.c_str(), OCFile::ModeRead) && file.memoryMode && file.GetSize() == entry.size;
        file.Close();
        return inflated;
    });
    state.counters["compressed_bytes"] = entry.storedSize;
}

// The floor: fread of the zlib stream from the pack into memory that stays, and uncompress
// of it into new memory of the entry's size, released afterwards.
void CompressedFloor(benchmark::State& state, const Fixtures& fixtures) {
    EnterFixture(fixtures.BigDirectory());
    const EntryPlace& entry = fixtures.CompressedEntry();
    std::vector<unsigned char> stream(entry.storedSize);
    Repeat(state, entry.size, "the floor did not inflate", [&] {
        std::size_t got = 0;
        if (std::FILE* pack = OpenAtEntry(entry)) {
            got = std::fread(stream.data(), 1, stream.size(), pack);
            std::fclose(pack);
        }
        std::unique_ptr<unsigned char[]> inflated(new unsigned char[entry.size]);
        uLongf size = entry.size;
        return uncompress(inflated.get(), &size, stream.data(), static_cast<uLong>(got)) == Z_OK && size == entry.size;
    });
}

// Not a floor but a reference for the one above: the same stream inflated as the design of
// OCFile::Inflate prescribes, 4096 bytes of input to each zlib call, read with fread.
void CompressedChunks(benchmark::State& state, const Fixtures& fixtures) {
    EnterFixture(fixtures.BigDirectory());
    const EntryPlace& entry = fixtures.CompressedEntry();
    Repeat(state, entry.size, "the reference did not inflate", [&] {
        std::unique_ptr<unsigned char[]> inflated(new unsigned char[entry.size]);
        z_stream stream = {};
        stream.next_out = inflated.get();
        stream.avail_out = entry.size;
        int result = inflateInit(&stream);
        if (std::FILE* pack = OpenAtEntry(entry)) {
            unsigned char chunk[4096];
            std::uint32_t left = entry.storedSize;
            while (result == Z_OK && left > 0) {
                stream.next_in = chunk;
                stream.avail_in =
                    static_cast<uInt>(std::fread(chunk, 1, std::min<std::uint32_t>(left, sizeof chunk), pack));
                left -= stream.avail_in;
                while (result == Z_OK && stream.avail_in > 0) result = inflate(&stream, Z_NO_FLUSH);
            }
            std::fclose(pack);
        }
        inflateEnd(&stream);
        return result == Z_STREAM_END && stream.total_out == entry.size;
    });
}

}  // namespace

void RegisterEntryBenchmarks(const Fixtures& fixtures) {
    Register("StoredRead", StoredRead, std::cref(fixtures));
    Register("StoredFloor", StoredFloor, std::cref(fixtures));
    Register("CompressedOpen", CompressedOpen, std::cref(fixtures));
    Register("CompressedFloor", CompressedFloor, std::cref(fixtures));
    Register("CompressedChunks", CompressedChunks, std::cref(fixtures));
}
