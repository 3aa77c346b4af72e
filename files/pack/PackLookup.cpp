#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "files/OCFile.h"
#include "files/Paths.h"
#include "files/ProcessState.h"
#include "files/pack/LittleEndian.h"
#include "files/pack/OCPackHeader.h"
#include "files/pack/OCVirtualBuffer.h"
#include "files/pack/PackList.h"

namespace {

// Where a version's directory record keeps what the lookup needs (indices into values).
struct RecordLayout {
    void (OCPackEntry::*read)(OCFile& file);
    std::uint32_t valueCount;  // the u32 values after the name
    int offset;                // of the entry's data, from dataStart
    int flag;                  // the compressed flag; -1: the version stores everything plain
    int uncompressedSize;      // of a compressed entry
    int compressedSize;        // its zlib stream's length
};

const RecordLayout kVersion0 = {&OCPackEntry::ReadV0, 3, 0, -1, 0, 0};
const RecordLayout kVersions1To3 = {&OCPackEntry::Read, 5, 0, 3, 1, 4};
const RecordLayout kVersion4 = {&OCPackEntry::ReadV4, 6, 1, 4, 2, 5};

// Longer names are always read into the entry record: a name up to this size is sure to get
// its buffer, so reading it takes all its bytes from the directory.
const std::uint32_t kPlainNameLimit = 4096;

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

// The request, of length bytes, is a prefix of the entry's name, without regard to case.
int Matches(const OCString& entryName, const OCString& request, int length) {
    if (length == 0) return 1;
    if (!entryName.GetText()) return 0;
    return _mbsnbicmp(reinterpret_cast<const unsigned char*>(entryName.GetText()),
                      reinterpret_cast<const unsigned char*>(request.GetText()), static_cast<std::size_t>(length)) == 0;
}

unsigned char AsciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

// The request as the walk compares names with it where they lie.
struct PlainRequest {
    const unsigned char* text;
    std::uint32_t length;
    std::uint32_t asciiLength;  // its leading bytes below 0x80, each a character of its own
};

PlainRequest MakePlainRequest(const OCString& request) {
    const auto* text = reinterpret_cast<const unsigned char*>(request.GetText());
    const std::uint32_t length = static_cast<std::uint32_t>(request.GetLength());
    std::uint32_t ascii = 0;
    while (ascii < length && text[ascii] < 0x80) ++ascii;
    return {text, length, ascii};
}

// How many leading bytes of a and b are equal, among the first count; eight at a time.
std::uint32_t EqualBytes(const unsigned char* a, const unsigned char* b, std::uint32_t count) {
    std::uint32_t i = 0;
    for (std::uint64_t x, y; i + 8 <= count; i += 8) {
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y) break;
    }
    while (i < count && a[i] == b[i]) ++i;
    return i;
}

// Whether a name of nameLength bytes certainly differs from the request within the request's
// length, as Matches would find: after characters with equal bytes, the name ends (also at a
// zero byte) or has another character of the ASCII range than the request, case aside. False
// where telling takes more than equal bytes and ASCII case, and for a match.
bool PlainlyDiffers(const unsigned char* name, std::uint32_t nameLength, const PlainRequest& request) {
    const unsigned char* wanted = request.text;
    const std::uint32_t shared = std::min(nameLength, request.length);
    const std::uint32_t ascii = std::min(shared, request.asciiLength);
    std::uint32_t i = 0;
    while (i < shared) {
        // Bytes equal to the request's ASCII ones are equal characters: the common prefix of a
        // directory's names.
        if (i < ascii) i += EqualBytes(name + i, wanted + i, ascii - i);
        if (i == shared) break;
        const unsigned char have = name[i];
        const unsigned char want = wanted[i];
        if (have == 0) return true;
        if (have == want && !IsDBCSLeadByte(have)) {
            ++i;
        } else if (have == want) {
            // A two-byte character: equal when its second bytes are, within both texts.
            if (i + 1 >= shared || name[i + 1] == 0 || name[i + 1] != wanted[i + 1]) return false;
            i += 2;
        } else if (have < 0x80 && want < 0x80) {
            if (AsciiLower(have) != AsciiLower(want)) return true;
            ++i;
        } else {
            return false;
        }
    }
    return nameLength < request.length;
}

// The length of the record at the memory stream's position when reading it into the entry
// record could only find a mismatch: the record lies whole within the directory, its name is
// sure to be read, and it plainly differs from the request. 0 for any other record.
std::uint32_t PlainMismatchLength(const OCFile& source, const RecordLayout& layout, const PlainRequest& request) {
    if (!source.memoryMode || request.length == 0) return 0;
    const std::uint64_t left = source.memorySize - static_cast<std::uint64_t>(source.position);
    if (left < 4) return 0;
    const std::uint32_t nameLength = LittleEndianAt<std::uint32_t>(source.memoryCursor);
    if (nameLength > kPlainNameLimit) return 0;
    const std::uint32_t length = 4 + nameLength + 4 * layout.valueCount;
    if (length > left) return 0;
    return PlainlyDiffers(source.memoryCursor + 4, nameLength, request) ? length : 0;
}

// Moves a memory stream over count bytes, as reading them would.
void PassOver(OCFile& source, std::uint32_t count) {
    source.position += count;
    source.memoryCursor += count;
}

// Reads the record at start into the entry record and returns to where the walk stands.
void ReadRecordAt(OCFile& pack, OCFile& source, const RecordLayout& layout, std::int64_t start) {
    const std::int64_t resume = source.position;
    source.Seek(start, SEEK_SET);
    (pack.entry.get()->*layout.read)(source);
    source.Seek(resume, SEEK_SET);
}

// Reads records from source into the pack stream's own entry until one matches. The walk
// ends with the directory's data, whatever entryCount claims. A record that plainly cannot
// match is passed over where it lies; the one passed over last is still read before the
// next record and at the end, so the entry record ends as reading every record leaves it
// (a record cut short keeps values of the one before).
int FindRecord(OCFile& pack, OCFile& source, std::uint32_t entryCount, const RecordLayout& layout,
               const OCString& request) {
    const std::int64_t end = source.GetSize();
    const PlainRequest plain = MakePlainRequest(request);
    std::int64_t passedOver = -1;  // where the record passed over last begins, until it is read
    for (std::uint32_t i = 0; i < entryCount && source.position < end; ++i) {
        if (const std::uint32_t length = PlainMismatchLength(source, layout, plain)) {
            passedOver = source.position;
            PassOver(source, length);
            continue;
        }
        if (passedOver >= 0) ReadRecordAt(pack, source, layout, passedOver);
        passedOver = -1;
        (pack.entry.get()->*layout.read)(source);
        if (Matches(pack.entry->name, request, static_cast<int>(plain.length))) return 1;
    }
    if (passedOver >= 0) ReadRecordAt(pack, source, layout, passedOver);
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
    // A runtime may keep bytes read ahead around the entry's start after the seek (glibc
    // reads from the block boundary before it). Dropping them lets reads of a buffer's size
    // or more go straight into the reader's memory, one call each, instead of each in two
    // with a copy through the runtime's buffer.
    std::fflush(pack.file);
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
