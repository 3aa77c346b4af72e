// Seed material shared by the fuzz targets, made by the pack writer on every run.
#pragma once

#include <string>
#include <vector>

namespace fuzz {

// The entries of every seed pack: GAME.INI, a text, a name with a backslash and BIG.BIN,
// noise whose zlib stream by default spans more than one of Inflate's 4096-byte input chunks.
extern const char kSeedSettings[];

// One small pack of every version, stored and compressed (version 0 stores only), a
// version-3 pack whose header carries the name GAME, and two whose GAME.INI record
// declares an offset or a size that takes its window past 32 bits.
std::vector<std::string> SeedPacks(std::size_t bigSize = 5000);

}  // namespace fuzz
