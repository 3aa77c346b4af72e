#include "files/pack/OCPackEntry.h"

#include "files/OCFile.h"

namespace {

// A little-endian u32; bytes the stream does not deliver keep the value's own.
void ReadValue(OCFile& file, std::uint32_t& value) {
    unsigned char bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    file.Read(bytes, 4);
    value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
}

void ReadRecord(OCPackEntry& record, OCFile& file, int valueCount) {
    record.name.ReadCounted(file);
    for (int i = 0; i < valueCount; ++i) ReadValue(file, record.values[i]);
}

}  // namespace

void OCPackEntry::Read(OCFile& file) { ReadRecord(*this, file, 5); }

void OCPackEntry::ReadV4(OCFile& file) { ReadRecord(*this, file, 6); }

void OCPackEntry::ReadV0(OCFile& file) { ReadRecord(*this, file, 3); }
