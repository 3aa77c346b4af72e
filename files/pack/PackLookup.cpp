#include <algorithm>
#include <cstring>
#include <new>

#include "files/OCFile.h"
#include "files/Paths.h"
#include "files/ProcessState.h"
#include "files/pack/OCPackHeader.h"
#include "files/pack/OCVirtualBuffer.h"
#include "files/pack/PackList.h"

namespace {

// Where a version's directory record keeps what the lookup needs (indices into values).
struct RecordLayout {
    void (OCPackEntry::*read)(OCFile& file);
    int offset;            // of the entry's data, from dataStart
    int flag;              // the compressed flag; -1: the version stores everything plain
    int uncompressedSize;  // of a compressed entry
    int compressedSize;    // its zlib stream's length
};

const RecordLayout kVersion0 = {&OCPackEntry::ReadV0, 0, -1, 0, 0};
const RecordLayout kVersions1To3 = {&OCPackEntry::Read, 0, 3, 1, 4};
const RecordLayout kVersion4 = {&OCPackEntry::ReadV4, 1, 4, 2, 5};

// A zlib stream yields at most about 1032 bytes per byte it holds (258-byte copies in two
// bits each), so room beyond that bound for the bytes at hand can never be filled.
std::uint32_t ReachableSize(std::uint32_t declared, std::uint32_t compressedSize, std::int64_t position,
                            std::uint32_t packSize) {
    const std::int64_t available = std::max<std::int64_t>(0, static_cast<std::int64_t>(packSize) - position);
    const std::uint64_t input = std::min<std::uint64_t>(compressedSize, static_cast<std::uint64_t>(available));
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(declared, input * 1032));
}

OCString NormalisedRequest(const char* entryName) {
    OCString request(entryName);
    request.Replace("\\\\", "\\");
    request.Replace(".*", ".");
    return request;
}

OCString WithoutFinalSeparator(const char* directory) {
    if (!EndsWithSeparator(directory)) return OCString(directory);
    return OCString(directory, lstrlenA(directory) - 1);
}

// A 256-byte name without NUL ends with its field.
int Admits(const OCPackHeader& header) {
    if (packName.IsEmpty()) return 1;
    char headerName[sizeof header.name + 1];
    std::memcpy(headerName, header.name, sizeof header.name);
    headerName[sizeof header.name] = '\0';
    return lstrcmpiA(packName.GetText(), headerName) == 0;
}

// The request is a prefix of the entry's name, without regard to case.
int Matches(const OCString& entryName, const OCString& request) {
    const int length = request.GetLength();
    if (length == 0) return 1;
    if (!entryName.GetText()) return 0;
    return _mbsnbicmp(reinterpret_cast<const unsigned char*>(entryName.GetText()),
                      reinterpret_cast<const unsigned char*>(request.GetText()), static_cast<std::size_t>(length)) == 0;
}

// Reads records from source into the pack stream's own entry until one matches. The walk
// ends with the directory's data, whatever entryCount claims.
int FindRecord(OCFile& pack, OCFile& source, std::uint32_t entryCount, const RecordLayout& layout,
               const OCString& request) {
    const std::int64_t end = source.GetSize();
    for (std::uint32_t i = 0; i < entryCount && source.position < end; ++i) {
        (pack.entry.get()->*layout.read)(source);
        if (Matches(pack.entry->name, request)) return 1;
    }
    return 0;
}

// Sets the pack stream on the entry its record describes.
void ShowEntry(OCFile& pack, const RecordLayout& layout, std::uint64_t dataStart, std::uint32_t packSize) {
    const OCPackEntry& record = *pack.entry;
    const std::uint64_t start = dataStart + record.values[layout.offset];
    // baseOffset is still 0 as Open left it, so this is a plain disk seek to the entry. A
    // compressed entry's zlib stream is read in that state too, bounded by its own length:
    // a window would end at values[2], which version 4 gives as the uncompressed size.
    pack.Seek(static_cast<std::int64_t>(start), SEEK_SET);
    pack.path.Assign(record.name);
    pack.inPack = 1;
    pack.compressed = layout.flag < 0 ? 0 : static_cast<int>(record.values[layout.flag]);
    if (!pack.compressed) {
        pack.baseOffset = start;
        pack.position = 0;
        return;
    }
    const std::uint32_t compressedSize = record.values[layout.compressedSize];
    const std::uint32_t room =
        ReachableSize(record.values[layout.uncompressedSize], compressedSize, pack.position, packSize);
    pack.ownsMemory = 1;
    pack.memory = new (std::nothrow) unsigned char[room];
    // The stream shows the bytes the entry produced, never room that was not written.
    pack.memorySize = pack.Inflate(compressedSize, pack.memory, room);
    pack.memoryCursor = pack.memory;
    pack.position = 0;
    pack.baseOffset = 0;
    pack.memoryMode = 1;
}

// Looks for the request in the pack this stream has just opened.
int SearchPack(OCFile& pack, const OCString& request) {
    OCPackHeader header;
    header.Read(pack);
    if (!Admits(header)) return 0;
    const std::uint32_t packSize = pack.GetSize();
    if (header.version == 0) {
        if (!FindRecord(pack, pack, header.entryCount, kVersion0, request)) return 0;
        ShowEntry(pack, kVersion0, 0, packSize);
        return 1;
    }
    const RecordLayout& layout = header.version >= 4 ? kVersion4 : kVersions1To3;
    OCVirtualBuffer directory;
    directory.Resize(
        ReachableSize(header.directorySize, header.compressedDirectorySize, pack.position, packSize));
    const std::uint32_t directoryBytes = pack.Inflate(header.compressedDirectorySize, directory.data, directory.size);
    OCFile records;
    records.OpenMemory(directory.data, directoryBytes);
    if (!FindRecord(pack, records, header.entryCount, layout, request)) return 0;
    ShowEntry(pack, layout, static_cast<std::uint64_t>(header.GetSize()) + header.compressedDirectorySize, packSize);
    return 1;
}

}  // namespace

int OCFile::FindInPacks(const char* directory, const char* entryName) {
    const OCString request = NormalisedRequest(entryName);
    const OCString trimmed = WithoutFinalSeparator(directory);
    if (!FileExists(trimmed.GetText())) return 0;
    if (packFiles.empty()) ScanPackFiles(trimmed.GetText());
    int found = 0;
    for (std::size_t i = 0; i < packFiles.size() && !found; ++i) {
        const char* pack = packFiles[i].GetText();
        // A pack gone since the scan is passed over without a word.
        if (GetFileAttributesA(pack) == INVALID_FILE_ATTRIBUTES) continue;
        // The pack opens on this very stream, re-entering Open, which never starts a pack
        // search of its own here. From now on the stream's members describe the pack.
        OpenPackFile(pack);
        found = SearchPack(*this, request);
        if (!found) Close();
    }
    return found;
}
