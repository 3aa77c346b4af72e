// Packs written with the pack writer, and the process-wide pack state reset around each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "files/OCFile.h"
#include "tests/support/Messages.h"
#include "tools/packwriter/PackWriter.h"

// One way of keeping entries: a format version, and whether entries are compressed.
struct Variant {
    std::uint32_t version;
    bool compress;
};
// Every version stored and compressed; version 0 has no compressed entries.
std::vector<Variant> AllVariants();
std::string Describe(const Variant& variant);

std::vector<packwriter::Entry> Entries(const std::vector<std::pair<std::string, std::string>>& namesAndData,
                                       bool compress);
std::string WritePack(const Variant& variant, const std::vector<std::pair<std::string, std::string>>& namesAndData,
                      const std::string& headerName = "");

std::string Text(const OCString& string);
// Reads up to the stream's size from where it stands.
std::string ReadAllBytes(OCFile& file);
std::string ReadBytes(OCFile& file, std::uint32_t count);
// A little-endian u32 of a pack, read and written in place.
std::uint32_t U32At(const std::string& bytes, std::size_t offset);
void PatchU32(std::string& bytes, std::size_t offset, std::uint32_t value);

// How a lookup ended.
enum class Outcome { Found, NotFound, DecompressionError, NoMemory };
const char* Describe(Outcome outcome);
// FindInPacks, with its specified failures caught; any other exception fails the test.
Outcome LookUp(OCFile& file, const std::string& directory, const std::string& name);

// packFiles is never rescanned once filled, and packName and searchDirectories steer the
// search: each test starts and ends with all three empty.
class PackTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    static void ResetPackState();
};
