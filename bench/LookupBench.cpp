#include <zlib.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench/Benchmarks.h"
#include "files/OCFile.h"

namespace {

enum class Target { First, Last, Missing };

struct Request {
    std::string name;
    int index;  // of the record it names; -1 for a name that no record starts with
};

Request RequestFor(Target target, int count) {
    switch (target) {
        case Target::First: return {ImageName(0), 0};
        case Target::Last: return {ImageName(count - 1), count - 1};
        default: return {"data\\image\\none.bmp", -1};
    }
}

const char* Label(Target target) {
    switch (target) {
        case Target::First: return "first";
        case Target::Last: return "last";
        default: return "missing";
    }
}

std::uint32_t U32At(const unsigned char* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

unsigned char AsciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

bool StartsWithNoCase(const unsigned char* name, std::uint32_t length, const std::string& prefix) {
    if (length < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(name[i]) != AsciiLower(static_cast<unsigned char>(prefix[i]))) return false;
    return true;
}

// The floor: read the version-3 header and the compressed directory with one fread each,
// uncompress the directory in one call, and compare the records one after another. The
// index of the first record whose name starts with the request, -1 when none does, -2 when
// the pack cannot be read.
int FloorLookup(const std::string& request) {
    std::FILE* pack = std::fopen(kLookupPack, "rb");
    if (!pack) return -2;
    unsigned char header[280];
    const bool whole = std::fread(header, 1, sizeof header, pack) == sizeof header;
    const std::uint32_t entryCount = whole ? U32At(header + 4) : 0;
    const std::uint32_t directorySize = whole ? U32At(header + 8) : 0;
    const std::uint32_t compressedSize = whole ? U32At(header + 12) : 0;
    std::unique_ptr<unsigned char[]> compressed(new unsigned char[compressedSize]);
    const std::size_t got = std::fread(compressed.get(), 1, compressedSize, pack);
    std::fclose(pack);
    std::unique_ptr<unsigned char[]> directory(new unsigned char[directorySize]);
    uLongf size = directorySize;
    if (uncompress(directory.get(), &size, compressed.get(), static_cast<uLong>(got)) != Z_OK) return -2;
    const unsigned char* record = directory.get();
    for (std::uint32_t i = 0; i < entryCount; ++i) {
        const std::uint32_t length = U32At(record);
        if (StartsWithNoCase(record + 4, length, request)) return static_cast<int>(i);
        record += 4 + length + 5 * 4;
    }
    return -1;
}

// OCFile::Open of a name that is not on disk, so that it is looked up in the pack.
void Lookup(benchmark::State& state, const Fixtures& fixtures, int count, Target target) {
    EnterFixture(fixtures.LookupDirectory(count));
    const Request request = RequestFor(target, count);
    const int expected = request.index >= 0;
    OCFile file;
    // The first lookup lists the directory's packs; the timed ones find the list filled.
    file.Open(request.name.c_str(), OCFile::ModeRead);
    Repeat(state, 0, "the lookup did not end as expected",
           [&] { return file.Open(request.name.c_str(), OCFile::ModeRead) == expected; });
    if (expected && request.name != file.path.GetText()) state.SkipWithError("the lookup found another entry");
}

void LookupFloor(benchmark::State& state, const Fixtures& fixtures, int count, Target target) {
    EnterFixture(fixtures.LookupDirectory(count));
    const Request request = RequestFor(target, count);
    Repeat(state, 0, "the floor did not find the record", [&] { return FloorLookup(request.name) == request.index; });
}

}  // namespace

void RegisterLookupBenchmarks(const Fixtures& fixtures) {
    for (int count : fixtures.GetScale().entryCounts) {
        for (Target target : {Target::First, Target::Last, Target::Missing}) {
            const std::string suffix = "/" + std::to_string(count) + "/" + Label(target);
            Register("Lookup" + suffix, Lookup, std::cref(fixtures), count, target);
            Register("LookupFloor" + suffix, LookupFloor, std::cref(fixtures), count, target);
        }
    }
}
