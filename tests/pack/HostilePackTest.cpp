#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "files/OCFile.h"
#include "files/ProcessState.h"
#include "platform/Seam.h"
#include "tests/pack/PackFixtures.h"
#include "tests/support/Hooks.h"
#include "tests/support/Scratch.h"

namespace {

using packwriter::Layout;
using packwriter::PackOptions;
using packwriter::Record;

const std::vector<std::pair<std::string, std::string>> kEntries = {
    {"README.TXT", "read me first"},
    {"GAME.INI", "[s]\r\nName=x\r\n"},
};

// Every directory page the lookup asks for, against the pack's own size.
std::vector<SIZE_T> pageRequests;

LPVOID RecordPages(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protection) {
    pageRequests.push_back(size);
    return ::VirtualAlloc(address, size, allocationType, protection);
}

class RecordedPages {
public:
    RecordedPages() {
        pageRequests.clear();
        seam::hooks().virtualAlloc = RecordPages;
    }
    ~RecordedPages() { seam::hooks().virtualAlloc = nullptr; }
};

// What a found entry may show of a damaged pack: bytes that stand in the pack file, or the
// bytes of one of its entries. Never memory that nothing wrote.
void ExpectHonestBytes(OCFile& file, const std::string& pack, const std::vector<std::string>& entryData) {
    const std::uint32_t size = file.GetSize();
    const std::string bytes = ReadBytes(file, size < 0x100000 ? size : 0x100000);
    EXPECT_LE(bytes.size(), size);
    bool known = pack.find(bytes) != std::string::npos;
    for (const std::string& data : entryData) known = known || bytes == data;
    EXPECT_TRUE(known) << "bytes from nowhere: " << bytes.size() << " of them";
}

std::vector<std::string> DataOf(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<std::string> data;
    for (const auto& entry : entries) data.push_back(entry.second);
    return data;
}

using HostilePackTest = PackTest;

TEST_F(HostilePackTest, TruncatedAtEveryOffset) {
    for (const Variant& variant : AllVariants()) {
        SCOPED_TRACE(Describe(variant));
        ResetPackState();
        ScratchDirectory scratch;
        const std::string pack = WritePack(variant, kEntries);
        // The list keeps naming t.pak: each cut is read afresh from disk.
        for (std::size_t cut = 0; cut <= pack.size(); ++cut) {
            SCOPED_TRACE("cut at " + std::to_string(cut) + " of " + std::to_string(pack.size()));
            const std::string truncated = pack.substr(0, cut);
            WriteFile("t.pak", truncated);
            OCFile file;
            const Outcome outcome = LookUp(file, scratch.Path(), "GAME.INI");
            if (cut == pack.size()) {
                ASSERT_EQ(Outcome::Found, outcome);
                EXPECT_EQ(kEntries[1].second, ReadAllBytes(file));
            } else if (outcome == Outcome::Found) {
                ExpectHonestBytes(file, truncated, DataOf(kEntries));
            } else {
                EXPECT_TRUE(outcome == Outcome::NotFound || outcome == Outcome::DecompressionError)
                    << Describe(outcome);
            }
        }
    }
}

TEST_F(HostilePackTest, OneBitFlippedAtEveryOffset) {
    for (const Variant& variant : AllVariants()) {
        SCOPED_TRACE(Describe(variant));
        ResetPackState();
        ScratchDirectory scratch;
        const std::string pack = WritePack(variant, kEntries);
        for (std::size_t offset = 0; offset < pack.size(); ++offset) {
            SCOPED_TRACE("bit " + std::to_string(offset % 8) + " of byte " + std::to_string(offset));
            std::string flipped = pack;
            flipped[offset] = static_cast<char>(flipped[offset] ^ (1 << (offset % 8)));
            WriteFile("t.pak", flipped);
            RecordedPages pages;
            OCFile file;
            const Outcome outcome = LookUp(file, scratch.Path(), "GAME.INI");
            if (outcome == Outcome::Found) ExpectHonestBytes(file, flipped, DataOf(kEntries));
            for (SIZE_T request : pageRequests) EXPECT_LE(request, 1032 * flipped.size());
        }
    }
}

// The walk ends with the directory's data: a header claiming four billion records costs no
// more than the one record there is. Read on, the records past the end would come out
// empty, and the last one read would be one of those.
TEST_F(HostilePackTest, AHugeCountCostsNoMoreThanTheDirectoryHolds) {
    for (const Variant& variant : AllVariants()) {
        SCOPED_TRACE(Describe(variant));
        ResetPackState();
        ScratchDirectory scratch;
        std::string pack = WritePack(variant, {{"A.TXT", ""}});
        PatchU32(pack, 4, 0xFFFFFFFF);
        WriteFile("t.pak", pack);
        OCFile file;
        EXPECT_EQ(Outcome::NotFound, LookUp(file, scratch.Path(), "MISSING"));
        EXPECT_EQ("A.TXT", Text(file.entry->name));
    }
}

enum class Applies { Every, Stored, Compressed, Directory, StoredDirectory };

bool AppliesTo(Applies applies, const Variant& variant) {
    switch (applies) {
        case Applies::Every: return true;
        case Applies::Stored: return !variant.compress;
        case Applies::Compressed: return variant.compress;
        case Applies::Directory: return variant.version != 0;
        case Applies::StoredDirectory: return variant.version != 0 && !variant.compress;
    }
    return false;
}

// A pack that lies somewhere: in a record's meaning, in the directory's bytes, or in the
// finished file.
struct LieCase {
    const char* what;
    Applies applies;
    std::function<void(Layout&)> records;
    std::function<void(std::string&)> directory;
    std::function<void(std::string&)> file;
    const char* request;
    std::vector<Outcome> outcomes;  // the ones allowed
    const char* exactData = nullptr;  // what a found entry must show, when it is determined
    std::vector<std::pair<std::string, std::string>> entries = kEntries;
    const char* wineDiffers = nullptr;  // why Wine's answer is not Windows' one, or null
};

std::string Build(const Variant& variant, const LieCase& row) {
    PackOptions options;
    options.version = variant.version;
    Layout layout = packwriter::LayOut(options, Entries(row.entries, variant.compress));
    if (row.records) row.records(layout);
    std::string directory = packwriter::EncodeDirectory(variant.version, layout.records);
    if (row.directory) row.directory(directory);
    std::string file =
        packwriter::Assemble(options, static_cast<std::uint32_t>(layout.records.size()), directory, layout.data);
    if (row.file) row.file(file);
    return file;
}

Record& GameIni(Layout& layout) { return layout.records[1]; }

const std::vector<LieCase>& LieCases() {
    using O = Outcome;
    const char* const gameIni = "[s]\r\nName=x\r\n";
    static const std::vector<LieCase> cases = {
        {"name length 0xFFFFFFFF", Applies::Every, nullptr,
         [](std::string& d) { PatchU32(d, 0, 0xFFFFFFFF); }, nullptr, "MISSING", {O::NotFound}},
        {"name length 0x7FFFFFFF", Applies::Every, nullptr,
         [](std::string& d) { PatchU32(d, 0, 0x7FFFFFFF); }, nullptr, "MISSING", {O::NotFound}},
        {"a directory ending inside a name", Applies::Every, nullptr,
         [](std::string& d) { PatchU32(d, d.rfind("GAME.INI") - 4, 0x1000); }, nullptr, "MISSING", {O::NotFound}},
        {"offset 0xFFFFF000 with size 0x2000", Applies::Every,
         [](Layout& l) {
             GameIni(l).offset = 0xFFFFF000;
             GameIni(l).size = GameIni(l).storedSize = 0x2000;
         },
         nullptr, nullptr, "GAME.INI", {O::Found, O::DecompressionError}},
        {"an offset past the end of the file", Applies::Stored, [](Layout& l) { GameIni(l).offset = 0x10000; },
         nullptr, nullptr, "GAME.INI", {O::Found}},
        {"a compressed entry past the end of the file", Applies::Compressed,
         [](Layout& l) { GameIni(l).offset = 0x10000; }, nullptr, nullptr, "GAME.INI", {O::DecompressionError}},
        {"count 0x40000000 with a 16-byte directory", Applies::Every, [](Layout& l) { l.data.clear(); },
         [](std::string& d) { d = packwriter::U32(4) + "GAME" + packwriter::U32(1) + packwriter::U32(2); },
         [](std::string& f) { PatchU32(f, 4, 0x40000000); }, "GAME.INI", {O::NotFound}},
        {"entryCount 0 over real records", Applies::Every, nullptr, nullptr,
         [](std::string& f) { PatchU32(f, 4, 0); }, "GAME.INI", {O::NotFound}},
        {"0xFFFFFFF0 bytes declared for a short stream", Applies::Compressed,
         [](Layout& l) { GameIni(l).size = 0xFFFFFFF0; }, nullptr, nullptr, "GAME.INI", {O::Found}, gameIni},
        {"more bytes declared than the stream holds", Applies::Compressed,
         [](Layout& l) { GameIni(l).size += 100; }, nullptr, nullptr, "GAME.INI", {O::Found}, gameIni},
        {"one byte fewer declared than the stream holds", Applies::Compressed,
         [](Layout& l) { GameIni(l).size -= 1; }, nullptr, nullptr, "GAME.INI", {O::DecompressionError}},
        {"a compressed size one byte short", Applies::Compressed, [](Layout& l) { GameIni(l).storedSize -= 1; },
         nullptr, nullptr, "GAME.INI", {O::DecompressionError}},
        {"a compressed size beyond the end of the file", Applies::Compressed,
         [](Layout& l) { GameIni(l).storedSize = 0xFFFFFFFF; }, nullptr, nullptr, "GAME.INI", {O::Found}, gameIni},
        {"a compressed size of 0", Applies::Compressed, [](Layout& l) { GameIni(l).storedSize = 0; }, nullptr,
         nullptr, "GAME.INI", {O::DecompressionError}},
        {"a stored entry flagged compressed", Applies::StoredDirectory, [](Layout& l) { GameIni(l).flag = 1; },
         nullptr, nullptr, "GAME.INI", {O::DecompressionError}},
        {"directorySize 0xFFFFFFF0", Applies::Directory, nullptr, nullptr,
         [](std::string& f) { PatchU32(f, 8, 0xFFFFFFF0); }, "GAME.INI", {O::Found}, gameIni},
        {"directorySize one byte short", Applies::Directory, nullptr, nullptr,
         [](std::string& f) { PatchU32(f, 8, U32At(f, 8) - 1); }, "GAME.INI", {O::DecompressionError}},
        {"directorySize 0 over a directory", Applies::Directory, nullptr, nullptr,
         [](std::string& f) { PatchU32(f, 8, 0); }, "GAME.INI", {O::DecompressionError}},
        {"compressedDirectorySize 0xFFFFFFFF", Applies::Directory, nullptr, nullptr,
         [](std::string& f) { PatchU32(f, 12, 0xFFFFFFFF); }, "GAME.INI", {O::Found, O::DecompressionError}},
        {"compressedDirectorySize one byte short", Applies::Directory, nullptr, nullptr,
         [](std::string& f) { PatchU32(f, 12, U32At(f, 12) - 1); }, "GAME.INI",
         {O::DecompressionError}},
        {"a version above 4", Applies::Every, nullptr, nullptr, [](std::string& f) { PatchU32(f, 0, 5); },
         "GAME.INI", {O::DecompressionError}},
        {"version 0xFFFFFFFF", Applies::Every, nullptr, nullptr, [](std::string& f) { PatchU32(f, 0, 0xFFFFFFFF); },
         "GAME.INI", {O::DecompressionError}},
        {"a NUL inside a name ends it", Applies::Every, nullptr, nullptr, nullptr, "GAME",
         {O::Found}, "second", {{"README.TXT", "first"}, {std::string("GAME\0.INI", 9), "second"}}},
        {"... so the whole name is not found", Applies::Every, nullptr, nullptr, nullptr, "GAME.INI",
         {O::NotFound}, nullptr, {{"README.TXT", "first"}, {std::string("GAME\0.INI", 9), "second"}}},
        {"a name ending on a lead byte", Applies::Every, nullptr, nullptr, nullptr, "GAME\x81", {O::Found},
         "second", {{"README.TXT", "first"}, {"GAME\x81", "second"}},
         "Wine's _mbsnbicmp steps over the terminator after a lead byte and compares what lies behind"},
    };
    return cases;
}

TEST_F(HostilePackTest, LyingCountsSizesAndNames) {
    for (const Variant& variant : AllVariants()) {
        for (const LieCase& row : LieCases()) {
            if (!AppliesTo(row.applies, variant)) continue;
            SCOPED_TRACE(Describe(variant) + ": " + row.what);
            ResetPackState();
            ScratchDirectory scratch;
            const std::string pack = Build(variant, row);
            WriteFile("t.pak", pack);
            RecordedPages pages;
            OCFile file;
            const Outcome outcome = LookUp(file, scratch.Path(), row.request);
            if (row.wineDiffers && RunningUnderWine()) continue;
            bool allowed = false;
            for (Outcome candidate : row.outcomes) allowed = allowed || candidate == outcome;
            EXPECT_TRUE(allowed) << Describe(outcome);
            for (SIZE_T request : pageRequests) EXPECT_LE(request, 1032 * pack.size());
            if (outcome != Outcome::Found) continue;
            if (row.exactData) {
                EXPECT_EQ(std::string(row.exactData).size(), file.GetSize());
                EXPECT_EQ(row.exactData, ReadAllBytes(file));
            } else {
                ExpectHonestBytes(file, pack, DataOf(row.entries));
            }
        }
    }
}

}  // namespace
