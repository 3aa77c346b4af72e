#include "tests/pack/PackFixtures.h"

#include "files/ProcessState.h"
#include "text/OCException.h"

std::vector<Variant> AllVariants() {
    std::vector<Variant> variants;
    for (std::uint32_t version = 0; version <= 4; ++version) {
        variants.push_back({version, false});
        if (version != 0) variants.push_back({version, true});
    }
    return variants;
}

std::string Describe(const Variant& variant) {
    return "version " + std::to_string(variant.version) + (variant.compress ? ", compressed" : ", stored");
}

std::vector<packwriter::Entry> Entries(const std::vector<std::pair<std::string, std::string>>& namesAndData,
                                       bool compress) {
    std::vector<packwriter::Entry> entries;
    for (const auto& [name, data] : namesAndData) entries.push_back({name, data, compress});
    return entries;
}

std::string WritePack(const Variant& variant, const std::vector<std::pair<std::string, std::string>>& namesAndData,
                      const std::string& headerName) {
    packwriter::PackOptions options;
    options.version = variant.version;
    if (variant.version >= 2) options.name = headerName;
    return packwriter::WritePack(options, Entries(namesAndData, variant.compress));
}

std::string Text(const OCString& string) { return string.GetText() ? string.GetText() : ""; }

std::string ReadBytes(OCFile& file, std::uint32_t count) {
    std::string bytes(count, '\0');
    bytes.resize(file.Read(&bytes[0], count));
    return bytes;
}

std::string ReadAllBytes(OCFile& file) { return ReadBytes(file, file.GetSize()); }

std::uint32_t U32At(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes.at(offset + i));
    return value;
}

void PatchU32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    bytes.replace(offset, 4, packwriter::U32(value));
}

const char* Describe(Outcome outcome) {
    switch (outcome) {
        case Outcome::Found: return "found";
        case Outcome::NotFound: return "not found";
        case Outcome::DecompressionError: return "decompression error";
        case Outcome::NoMemory: return "0xC0000017";
    }
    return "?";
}

Outcome LookUp(OCFile& file, const std::string& directory, const std::string& name) {
    try {
        return file.FindInPacks(directory.c_str(), name.c_str()) ? Outcome::Found : Outcome::NotFound;
    } catch (const OCErrorException& error) {
        EXPECT_EQ(kInflateFailed, Text(error.message));
        return Outcome::DecompressionError;
    } catch (std::uint32_t status) {
        EXPECT_EQ(0xC0000017u, status);
        return Outcome::NoMemory;
    }
}

void PackTest::SetUp() { ResetPackState(); }

void PackTest::TearDown() { ResetPackState(); }

void PackTest::ResetPackState() {
    packFiles.clear();
    packName.Clear();
    searchDirectories.clear();
}
