#include "fuzz/Seeds.h"

#include "tools/packwriter/PackWriter.h"

namespace fuzz {

const char kSeedSettings[] = "[\x90\xdd\x92\xe8]\r\nName=Game\r\nTitle=Sample\r\n";

namespace {

std::string Pack(std::uint32_t version, bool compress, const std::string& headerName = "") {
    packwriter::PackOptions options;
    options.version = version;
    options.name = headerName;
    const std::vector<packwriter::Entry> entries = {
        {"README.TXT", "read me first", compress},
        {"GAME.INI", kSeedSettings, compress},
        {"DATA\\A.TXT", "a", compress},
        {"BIG.BIN", packwriter::Noise(5000, 7), compress},
    };
    return packwriter::WritePack(options, entries);
}

}  // namespace

std::vector<std::string> SeedPacks() {
    std::vector<std::string> packs = {Pack(0, false)};
    for (std::uint32_t version = 1; version <= 4; ++version) {
        packs.push_back(Pack(version, false));
        packs.push_back(Pack(version, true));
    }
    packs.push_back(Pack(3, true, "GAME"));
    return packs;
}

}  // namespace fuzz
