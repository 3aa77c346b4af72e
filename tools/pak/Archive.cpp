#include "tools/pak/Archive.h"

#include <algorithm>
#include <memory>
#include <new>

#include "files/ProcessState.h"
#include "files/pack/LittleEndian.h"
#include "platform/ToolHost.h"
#include "text/OCException.h"
#include "tools/packwriter/PackWriter.h"
#include "tools/pak/Console.h"
#include "tools/pak/Names.h"

namespace pak {

namespace {

// A zlib stream yields at most 1032 bytes for each byte it holds.
const std::uint64_t kMostInflation = 1032;
const std::size_t kChunk = 1 << 20;

std::unique_ptr<unsigned char[]> Allocate(std::uint32_t size) {
    return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[std::max<std::uint32_t>(size, 1)]);
}

}  // namespace

std::uint32_t ReachableSize(std::uint32_t declared, std::uint32_t compressedSize, std::uint64_t available) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(declared, std::min<std::uint64_t>(compressedSize, available) * kMostInflation));
}

Archive::Archive(const std::string& nativePath) : path(nativePath) {
    // A tool answers for itself: the file-error dialog never appears.
    quietOpen = 1;
    toolhost::Status status;
    std::string why;
    if (!toolhost::GetStatus(path, true, status, why)) throw Failure(path + ": " + why);
    if (status.kind == toolhost::Kind::Missing) throw Failure(path + ": no such file");
    if (status.kind != toolhost::Kind::File) throw Failure(path + ": not a file");
    if (status.size >= kArchiveLimit) throw Failure(path + ": 2 GiB or larger, more than a pack can be");
    // A file that is there opens on disk: Open never falls back to a pack search here.
    if (!file.Open(path.c_str(), OCFile::ModeRead) || file.inPack) throw Failure(path + ": cannot be opened");
    fileSize = status.size;
    header.Read(file);
    if (header.version > 4)
        throw Failure(path + ": not a pack archive (its first four bytes read as version " +
                      std::to_string(header.version) + ")");
    const std::uint64_t headerSize = header.version == 0 ? 8 : header.GetSize();
    if (fileSize < headerSize) throw Failure(path + ": ends inside its header");
    directoryEnd = header.version == 0 ? headerSize : headerSize + header.compressedDirectorySize;
}

std::string Archive::About(const ArchiveEntry& entry) const { return path + ": entry " + Displayed(entry.name) + ": "; }

std::vector<ArchiveEntry> Archive::ReadDirectory(std::string& problem) {
    problem.clear();
    if (header.version == 0) {
        file.Seek(8, SEEK_SET);
        return WalkRecords(file, fileSize, problem);
    }
    if (directoryEnd > fileSize) throw Failure(path + ": its directory runs past the end of the file");
    file.Seek(header.GetSize(), SEEK_SET);
    const std::uint32_t room =
        ReachableSize(header.directorySize, header.compressedDirectorySize, fileSize - header.GetSize());
    std::unique_ptr<unsigned char[]> directory = Allocate(room);
    if (!directory) throw Failure(path + ": its directory of " + std::to_string(room) + " bytes does not fit in memory");
    std::uint32_t got = 0;
    try {
        got = file.Inflate(header.compressedDirectorySize, directory.get(), room);
    } catch (const OCErrorException&) {
        throw Failure(path + ": its directory does not decompress");
    }
    OCFile records;
    records.OpenMemory(directory.get(), got);
    std::vector<ArchiveEntry> entries = WalkRecords(records, got, problem);
    directoryLeft = got - static_cast<std::uint64_t>(records.position);
    return entries;
}

// Reads records while each one fits before end, so that no name is read from beyond it.
std::vector<ArchiveEntry> Archive::WalkRecords(OCFile& records, std::uint64_t end, std::string& problem) {
    std::vector<ArchiveEntry> entries;
    OCPackEntry& record = *file.entry;
    // The name's count and the values: a record without its name.
    const std::uint64_t unnamedSize = packwriter::RecordSize(header.version, "");
    for (std::uint32_t i = 0; i < header.entryCount; ++i) {
        const std::uint64_t at = static_cast<std::uint64_t>(records.position);
        unsigned char count[4] = {};
        if (at + 4 > end || records.Read(count, 4) != 4 ||
            at + unnamedSize + LittleEndianAt<std::uint32_t>(count) > end) {
            problem = "the directory ends inside record " + std::to_string(i + 1) + " of " +
                      std::to_string(header.entryCount);
            break;
        }
        records.Seek(static_cast<std::int64_t>(at), SEEK_SET);
        if (header.version == 0)
            record.ReadV0(records);
        else if (header.version == 4)
            record.ReadV4(records);
        else
            record.Read(records);
        ArchiveEntry entry = Interpret(record);
        entry.nameBytes = LittleEndianAt<std::uint32_t>(count);
        entries.push_back(entry);
    }
    if (header.version == 0) directoryEnd = static_cast<std::uint64_t>(records.position);
    return entries;
}

ArchiveEntry Archive::Interpret(const OCPackEntry& record) const {
    ArchiveEntry entry;
    entry.name = record.name.GetText() ? record.name.GetText() : "";
    const std::uint32_t* v = record.values;
    if (header.version == 0) {
        entry.start = v[0];
        entry.size = entry.storedSize = v[2];
        return entry;
    }
    const std::uint64_t dataArea = header.GetSize() + static_cast<std::uint64_t>(header.compressedDirectorySize);
    const bool version4 = header.version == 4;
    entry.start = dataArea + (version4 ? v[1] : v[0]);
    entry.compressed = (version4 ? v[4] : v[3]) != 0;
    entry.size = entry.compressed && !version4 ? v[1] : v[2];
    entry.storedSize = !entry.compressed ? v[2] : version4 ? v[5] : v[4];
    return entry;
}

void Archive::ReadEntry(const ArchiveEntry& entry, const std::function<void(const void*, std::size_t)>& consume) {
    if (entry.start + entry.storedSize > fileSize) throw Failure(About(entry) + "its data lies past the end of the file");
    file.Seek(static_cast<std::int64_t>(entry.start), SEEK_SET);
    if (!entry.compressed) {
        std::vector<unsigned char> chunk(std::min<std::size_t>(kChunk, std::max<std::uint32_t>(entry.size, 1)));
        for (std::uint32_t left = entry.storedSize; left > 0;) {
            const std::uint32_t got = file.Read(chunk.data(), std::min<std::uint32_t>(left, chunk.size()));
            if (got == 0) throw Failure(About(entry) + "cannot be read");
            consume(chunk.data(), got);
            left -= got;
        }
        return;
    }
    const std::uint32_t room = ReachableSize(entry.size, entry.storedSize, fileSize - entry.start);
    std::unique_ptr<unsigned char[]> bytes = Allocate(room);
    if (!bytes) throw Failure(About(entry) + std::to_string(entry.size) + " bytes do not fit in memory");
    std::uint32_t got = 0;
    try {
        got = file.Inflate(entry.storedSize, bytes.get(), room);
    } catch (const OCErrorException&) {
        throw Failure(About(entry) + "its data does not decompress");
    }
    if (got != entry.size)
        throw Failure(About(entry) + "inflates to " + std::to_string(got) + " bytes, not " + std::to_string(entry.size));
    consume(bytes.get(), got);
}

}  // namespace pak
