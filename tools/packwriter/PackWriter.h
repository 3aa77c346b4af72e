// Writes pack archives of every format version. The system itself only reads packs; this
// writer makes them for tests, build steps and tools.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/packwriter/Deflate.h"

namespace packwriter {

// How an entry is kept.
enum class Method {
    Store,
    Deflate,  // a zlib stream, always
    Smaller,  // a zlib stream where that is smaller than the entry, else stored
};

struct Entry {
    std::string name;  // bytes as they go into the record (code page 932, backslashes)
    std::string data;
    bool compress = false;  // a zlib stream; version 0 cannot hold one
};

struct PackOptions {
    std::uint32_t version = 3;  // 0 to 4
    std::string name;           // versions 2 to 4: at most 256 bytes, NUL-padded
    double number = 0.0;        // versions 2 to 4; version 2 keeps a whole number up to 0xFFFFFFFF
    int level = 6;              // zlib level of compressed entries and of the directory
};

// One directory record by meaning; EncodeRecord puts each field where the version keeps it.
struct Record {
    std::string name;
    std::uint32_t offset = 0;      // from the data area; from the start of the file in version 0
    std::uint32_t size = 0;        // the entry's bytes once read (decompressed)
    std::uint32_t storedSize = 0;  // its bytes in the pack: the zlib stream's length when compressed
    std::uint32_t flag = 0;        // nonzero: compressed
};

// A pack before it is encoded: what WritePack lays out, and what a maker of hostile
// fixtures may change before encoding it.
struct Layout {
    PackOptions options;
    std::vector<Record> records;
    std::string data;  // the data area: every entry's stored bytes
};

// The header fields as they are written.
struct HeaderFields {
    std::uint32_t version = 3;
    std::uint32_t entryCount = 0;
    std::uint32_t directorySize = 0;
    std::uint32_t compressedDirectorySize = 0;
    double number = 0.0;
    std::string name;
};

// The whole archive, made by the one writer of DataWriter.h from entries in memory. Throws
// std::invalid_argument for a version above 4, a compressed entry in version 0, a name
// longer than its field or a number version 2 cannot hold.
std::string WritePack(const PackOptions& options, const std::vector<Entry>& entries);

// The pieces WritePack is made of.
Layout LayOut(const PackOptions& options, const std::vector<Entry>& entries);
std::string EncodeDirectory(std::uint32_t version, const std::vector<Record>& records);
// What comes before the data area: the header with entryCount and the directory's sizes,
// then the directory (zlib-compressed in versions 1 to 4).
std::string EncodeFront(const PackOptions& options, std::uint32_t entryCount, const std::string& directory);
// The whole file around an encoded directory: its front, then the data area.
std::string Assemble(const PackOptions& options, std::uint32_t entryCount, const std::string& directory,
                     const std::string& data);
std::string EncodeHeader(const HeaderFields& fields);  // 8, 16, 276 or 280 bytes
std::string EncodeRecord(std::uint32_t version, const Record& record);
std::uint32_t HeaderSize(std::uint32_t version);
std::uint32_t RecordSize(std::uint32_t version, const std::string& name);
// A zlib stream that cannot be read without the preset dictionary, which no pack holds: for
// the tests of readers.
std::string CompressWithDictionary(const std::string& bytes, const std::string& dictionary, int level = 6);
// Bytes that look random to zlib, so they compress to about their own length; the same for
// the same seed on every run.
std::string Noise(std::size_t size, std::uint32_t seed);
std::string U32(std::uint32_t value);  // little-endian

}  // namespace packwriter
