// A pack archive read with the system's own reader: OCFile, OCPackHeader, OCPackEntry and
// OCFile::Inflate. Nothing is allocated from a declared size beyond what the file can
// hold or inflate to.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "files/OCFile.h"
#include "files/pack/OCPackHeader.h"

namespace pak {

// Archives stay below 2 GiB: the reader seeks with 32-bit offsets.
constexpr std::uint64_t kArchiveLimit = 0x80000000u;

struct ArchiveEntry {
    std::string name;             // as the system reads it: up to a NUL
    std::uint32_t nameBytes = 0;  // the record's own count
    std::uint64_t start = 0;      // the first byte of its data in the file
    std::uint32_t size = 0;       // its bytes once read
    std::uint32_t storedSize = 0; // its bytes in the file
    bool compressed = false;
};

class Archive {
public:
    // Opens an archive by its native path and reads its header; throws Failure.
    explicit Archive(const std::string& path);

    const std::string& Path() const { return path; }
    const OCPackHeader& Header() const { return header; }
    std::uint64_t FileSize() const { return fileSize; }
    // Where the data area starts (versions 1 to 4) or the directory ends (version 0).
    std::uint64_t DirectoryEnd() const { return directoryEnd; }

    // The directory records in order. A walk that stops short of entryCount (a record
    // running past the directory's end) keeps what it read and sets problem. Throws
    // Failure when the directory cannot be had at all.
    std::vector<ArchiveEntry> ReadDirectory(std::string& problem);
    // The directory's bytes after the last record read (versions 1 to 4).
    std::uint64_t DirectoryLeft() const { return directoryLeft; }

    // Hands an entry's bytes to consume in pieces; throws Failure.
    void ReadEntry(const ArchiveEntry& entry, const std::function<void(const void*, std::size_t)>& consume);

    OCFile& File() { return file; }
    // "ARCHIVE: entry NAME: " for messages.
    std::string About(const ArchiveEntry& entry) const;

private:
    ArchiveEntry Interpret(const OCPackEntry& record) const;
    std::vector<ArchiveEntry> WalkRecords(OCFile& records, std::uint64_t end, std::string& problem);

    std::string path;
    OCFile file;
    OCPackHeader header;
    std::uint64_t fileSize = 0;
    std::uint64_t directoryEnd = 0;
    std::uint64_t directoryLeft = 0;
};

// The most a zlib stream of compressedSize bytes, of which available are in the file,
// can inflate to, and no more than declared.
std::uint32_t ReachableSize(std::uint32_t declared, std::uint32_t compressedSize, std::uint64_t available);

}  // namespace pak
