// A directory record of a pack archive, as read.
#pragma once

#include <cstdint>

#include "text/OCString.h"

class OCFile;

class OCPackEntry {
public:
    virtual ~OCPackEntry() = default;

    // A record of versions 1 to 3: the counted name, then five values.
    void Read(OCFile& file);
    // A version-4 record: the counted name, then six values.
    void ReadV4(OCFile& file);
    // A version-0 record: the counted name, then three values.
    void ReadV0(OCFile& file);

    OCString name;
    std::uint32_t values[6] = {};
};
