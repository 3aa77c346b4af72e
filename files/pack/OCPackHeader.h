// The header of a pack archive, as read.
#pragma once

#include <cstdint>

class OCFile;

class OCPackHeader {
public:
    virtual ~OCPackHeader() = default;

    // Reads the fields that the version has, from the stream's current position.
    void Read(OCFile& file);
    // The header length in front of the compressed directory: 16, 276 or 280.
    std::uint32_t GetSize() const;

    std::uint32_t version = 3;
    std::uint32_t entryCount = 0;
    std::uint32_t directorySize = 0;
    std::uint32_t compressedDirectorySize = 0;
    double number = 0.0;
    char name[256] = {};  // NUL-terminated, or filling all 256 bytes
};
