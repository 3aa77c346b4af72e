#include "files/pack/OCPackEntry.h"

#include "files/OCFile.h"
#include "files/pack/LittleEndian.h"

namespace {

void ReadRecord(OCPackEntry& record, OCFile& file, unsigned valueCount) {
    record.name.ReadCounted(file);
    ReadLittleEndian(file, record.values, valueCount);
}

}  // namespace

void OCPackEntry::Read(OCFile& file) { ReadRecord(*this, file, 5); }

void OCPackEntry::ReadV4(OCFile& file) { ReadRecord(*this, file, 6); }

void OCPackEntry::ReadV0(OCFile& file) { ReadRecord(*this, file, 3); }
