// The files the benchmarks read: made once per run with the pack writer, each in a directory
// of its own under a scratch directory, and removed with it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/Scratch.h"

// How large the fixtures are: the full run, or a smoke run that only shows every benchmark works.
struct Scale {
    std::vector<int> entryCounts;         // of the lookup packs
    std::uint32_t bigEntryBytes;          // of the stored and of the compressed entry
    std::vector<std::uint32_t> iniSizes;  // of GAME.INI, in bytes
    std::uint32_t stringBytes;            // appended to and replaced in a string
};

Scale FullScale();
Scale SmokeScale();

// Where an entry lies inside its pack, for the floors that read it without the pack reader.
struct EntryPlace {
    std::string name;              // the entry's name in the pack
    std::uint32_t offset = 0;      // of its first byte, from the start of the pack file
    std::uint32_t size = 0;        // its bytes once read (decompressed)
    std::uint32_t storedSize = 0;  // its bytes in the pack
};

// What snprintf makes of format and its arguments: a line of a fixture.
template <typename... Arguments>
std::string Printed(const char* format, Arguments... arguments) {
    char text[96];
    std::snprintf(text, sizeof text, format, arguments...);
    return text;
}

// The lookup packs are version 3 with a compressed directory; their entries are named like
// data\image\00042.bmp, in order.
std::string ImageName(int index);

class Fixtures {
public:
    explicit Fixtures(const Scale& chosen);

    const Scale& GetScale() const { return scale; }
    // A directory holding one pack of count entries, kLookupPack.
    std::string LookupDirectory(int count) const;
    // A directory holding kBigPack with the stored and the compressed entry.
    std::string BigDirectory() const;
    const EntryPlace& StoredEntry() const { return stored; }
    const EntryPlace& CompressedEntry() const { return compressed; }
    // A directory holding a GAME.INI of about size bytes.
    std::string SettingsDirectory(std::uint32_t size) const;

private:
    void WriteLookupPack(int count);
    void WriteBigPack();
    void WriteSettings(std::uint32_t size);
    std::string Subdirectory(const std::string& leaf) const;

    Scale scale;
    ScratchDirectory root;
    EntryPlace stored;
    EntryPlace compressed;
};

// File names inside the fixture directories.
extern const char kLookupPack[];
extern const char kBigPack[];
extern const char kSettingsFile[];

// The section and the key the settings benchmark looks up, the last key of its GAME.INI.
extern const char kSettingsSection[];
extern const char kSettingsKey[];
extern const char kSettingsValue[];

// Makes the directory current and forgets the pack list, which a lookup fills from the
// current directory only when it is empty.
void EnterFixture(const std::string& directory);
