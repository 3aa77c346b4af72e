#include "files/pack/OCPackHeader.h"

#include <cstring>

#include "files/OCFile.h"
#include "files/pack/LittleEndian.h"

void OCPackHeader::Read(OCFile& file) {
    ReadLittleEndian(file, version);
    if (version == 0) {
        ReadLittleEndian(file, entryCount);
        return;
    }
    if (version > 4) return;
    ReadLittleEndian(file, entryCount);
    ReadLittleEndian(file, directorySize);
    ReadLittleEndian(file, compressedDirectorySize);
    if (version == 1) return;
    if (version == 2) {
        std::uint32_t stored = 0;
        ReadLittleEndian(file, stored);
        number = stored;
    } else {
        std::uint64_t bits;
        std::memcpy(&bits, &number, sizeof bits);
        ReadLittleEndian(file, bits);
        std::memcpy(&number, &bits, sizeof bits);
    }
    file.Read(name, sizeof name);
}

std::uint32_t OCPackHeader::GetSize() const {
    if (version == 2) return 276;
    if (version == 3 || version == 4) return 280;
    return 16;
}
