#include "fuzz/Seeds.h"

#include "tools/packwriter/PackWriter.h"

namespace fuzz {

const char kSeedSettings[] = "[\x90\xdd\x92\xe8]\r\nName=Game\r\nTitle=Sample\r\n";

namespace {

std::vector<packwriter::Entry> Entries(bool compress, std::size_t bigSize) {
    return {
        {"README.TXT", "read me first", compress},
        {"GAME.INI", kSeedSettings, compress},
        {"DATA\\A.TXT", "a", compress},
        {"BIG.BIN", packwriter::Noise(bigSize, 7), compress},
    };
}

std::string Pack(std::uint32_t version, bool compress, std::size_t bigSize, const std::string& headerName = "") {
    packwriter::PackOptions options;
    options.version = version;
    options.name = headerName;
    return packwriter::WritePack(options, Entries(compress, bigSize));
}

// A pack whose GAME.INI record lies: where its bytes start, and how many there are.
std::string Lying(std::uint32_t version, std::uint32_t offset, std::uint32_t size, std::size_t bigSize) {
    packwriter::PackOptions options;
    options.version = version;
    packwriter::Layout layout = packwriter::LayOut(options, Entries(false, bigSize));
    layout.records[1].offset = offset;
    layout.records[1].size = layout.records[1].storedSize = size;
    return packwriter::Assemble(options, static_cast<std::uint32_t>(layout.records.size()),
                                packwriter::EncodeDirectory(version, layout.records), layout.data);
}

}  // namespace

std::vector<std::string> SeedPacks(std::size_t bigSize) {
    std::vector<std::string> packs = {Pack(0, false, bigSize)};
    for (std::uint32_t version = 1; version <= 4; ++version) {
        packs.push_back(Pack(version, false, bigSize));
        packs.push_back(Pack(version, true, bigSize));
    }
    packs.push_back(Pack(3, true, bigSize, "GAME"));
    // Windows whose offsets run past 32 bits, where only the low halves reach the runtime.
    packs.push_back(Lying(0, 0xFFFFF000, 0x2000, bigSize));
    packs.push_back(Lying(3, 0x10, 0xFFFFFFFF, bigSize));
    return packs;
}

}  // namespace fuzz
