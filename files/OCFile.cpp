#include "files/OCFile.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "files/OCPath.h"
#include "files/Paths.h"
#include "files/ProcessState.h"
#include "platform/Seam.h"
#include "text/OCException.h"

namespace {

const char* RuntimeMode(int mode) {
    switch (mode & 3) {
        case OCFile::ModeWrite: return "w+b";
        case OCFile::ModeAppend: return "a+b";
        default: return "rb";
    }
}

int HasWriteAccess(int mode) { return (mode & 3) == OCFile::ModeWrite || (mode & 3) == OCFile::ModeAppend; }

// The runtime's streams take 32-bit offsets: only the low halves reach fseek, and ftell's
// result is widened with its sign.
int SeekRuntime(std::FILE* file, std::uint32_t offset, int origin) {
    return std::fseek(file, static_cast<std::int32_t>(offset), origin);
}

std::int64_t TellRuntime(std::FILE* file) { return static_cast<std::int32_t>(std::ftell(file)); }

// "Cannot open file %s." / "Could not open file %s." / "File error"
const char kCannotOpen[] = "\x83\x74\x83\x40\x83\x43\x83\x8b %s \x82\xaa\x8a\x4a\x82\xaf\x82\xdc\x82\xb9\x82\xf1\x81\x42";
const char kCouldNotOpen[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8b %s \x82\xaa\x8a\x4a\x82\xaf\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42";
const char kFileError[] = "\x83\x74\x83\x40\x83\x43\x83\x8b\x83\x47\x83\x89\x81\x5b";

}  // namespace

OCFile::OCFile() : entry(new OCPackEntry) {}

OCFile::~OCFile() {
    entry.reset();
    Close();
}

int OCFile::Open(const char* fileName, int mode) { return OpenFile(fileName, mode, 1); }

// Opening a pack never searches the packs again, or a pack that vanished would be looked
// for inside itself without end.
int OCFile::OpenPackFile(const char* packPath) { return OpenFile(packPath, ModeRead, 0); }

int OCFile::OpenFile(const char* fileName, int mode, int packSearch) {
    // A copy of its own, taken before closing empties name (the request may be this stream's
    // name) and kept apart from the members, which the pack search reopens.
    const OCString requested(fileName);
    Close();
    // Without memory for its copy the request cannot even be named in a dialog.
    if (!fileName || !requested.GetText()) return 0;
    const int writeAccess = HasWriteAccess(mode);
    for (;;) {
        name.Assign(requested);
        AttemptOpen(requested.GetText(), mode, packSearch);
        if (file || (quietOpen && !writeAccess)) break;
        const int answer = AskUser(requested.GetText());
        if (answer == IDRETRY) continue;
        if (answer == IDABORT) {
            OCString message;
            message.Format(kCouldNotOpen, requested.GetText());
            throw OCErrorException(message.GetText());
        }
        // Ignore, or no dialog could be shown at all: asking again would never end.
        break;
    }
    position = 0;
    return file ? 1 : 0;
}

void OCFile::AttemptOpen(const char* fileName, int mode, int packSearch) {
    if (std::strchr(fileName, '*')) {
        if (!OpenFirstMatch(fileName, RuntimeMode(mode)) && packSearch) SearchPacks(fileName, mode);
        return;
    }
    if (GetFileAttributesA(fileName) != INVALID_FILE_ATTRIBUTES || HasWriteAccess(mode)) {
        CreateParentDirectories(fileName);
        OpenOnDisk(fileName, RuntimeMode(mode));
        return;
    }
    if (packSearch) SearchPacks(fileName, mode);
}

int OCFile::OpenFirstMatch(const char* pattern, const char* runtimeMode) {
    WIN32_FIND_DATAA found;
    HANDLE search = seam::FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int matched = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        OpenOnDisk(MatchName(pattern, found.cFileName).GetText(), runtimeMode);
        matched = 1;
    } while (!matched && FindNextFileA(search, &found));
    FindClose(search);
    return matched;
}

OCString OCFile::MatchName(const char* pattern, const char* match) {
    // A pattern without a directory lists the current one, where the bare name opens.
    if (!LastSeparator(pattern)) return OCString(match);
    OCPath directory;
    directory.SetPath(pattern);
    OCString composed;
    directory.GetDirectory(composed);
    composed.AppendFormat("\\%s", match);
    return composed;
}

void OCFile::CreateParentDirectories(const char* fileName) {
    const char* separator = LastSeparator(fileName);
    if (!separator || separator == fileName) return;
    const OCString directory(fileName, static_cast<int>(separator - fileName));
    if (GetFileAttributesA(directory.GetText()) == INVALID_FILE_ATTRIBUTES) CreateDirectories(directory.GetText());
}

void OCFile::OpenOnDisk(const char* fileName, const char* runtimeMode) {
    name.Assign(fileName);
    path.Assign(fileName);
    file = seam::fopen(fileName, runtimeMode);
    inPack = 0;
    baseOffset = 0;
    compressed = 0;
}

void OCFile::SearchPacks(const char* fileName, int mode) {
    OCString currentDirectory(512);
    GetCurrentDirectoryA(512, currentDirectory.GetText());
    if (FindInPacks(currentDirectory.GetText(), fileName) || (mode & ModeSkipSearchDirectories)) return;
    for (std::size_t i = 0; i < searchDirectories.size(); ++i)
        if (FindInPacks(searchDirectories[i].GetText(), fileName)) return;
}

int OCFile::AskUser(const char* fileName) {
    OCString question;
    question.Format(kCannotOpen, fileName);
    return question.ShowMessage(nullptr, kFileError, MB_ABORTRETRYIGNORE);
}

int OCFile::OpenMemory(void* buffer, std::uint32_t size) {
    Close();
    ownsMemory = 0;
    if (!buffer) {
        buffer = new (std::nothrow) unsigned char[size];
        // A memory stream always has its buffer: without one the stream stays closed.
        if (!buffer) return 0;
        ownsMemory = 1;
    }
    baseOffset = 0;
    memorySize = size;
    file = nullptr;
    memory = static_cast<unsigned char*>(buffer);
    memoryCursor = memory;
    memoryMode = 1;
    return 1;
}

void OCFile::Close() {
    if (file) {
        std::fflush(file);
        std::fclose(file);
        file = nullptr;
        name.Clear();
    }
    if (memory) {
        if (ownsMemory) delete[] memory;
        memory = nullptr;
    }
    memoryMode = 0;
    inPack = 0;
    compressed = 0;
    position = 0;
    memoryCursor = nullptr;
}

std::uint32_t OCFile::GetSize() {
    if (memoryMode) return static_cast<std::uint32_t>(memorySize);
    if (inPack) return entry->values[2];
    if (!file) return 0;
    const std::int64_t place = TellRuntime(file);
    Seek(0, SEEK_END);
    const std::int64_t size = TellRuntime(file);
    Seek(place, SEEK_SET);
    return static_cast<std::uint32_t>(size);
}

int OCFile::Seek(std::int64_t offset, int origin) {
    if (memoryMode) return SeekMemory(offset, origin);
    if (!file) return 0;
    if (baseOffset) {
        switch (origin) {
            case SEEK_SET: position = offset; break;
            case SEEK_CUR: position += offset; break;
            // An entry's end counts back: the offset is subtracted from its size.
            case SEEK_END: position = static_cast<std::int64_t>(GetSize()) - offset; break;
            default: return 0;
        }
        return SeekRuntime(file, static_cast<std::uint32_t>(position) + static_cast<std::uint32_t>(baseOffset),
                           SEEK_SET);
    }
    const int result = SeekRuntime(file, static_cast<std::uint32_t>(offset), origin);
    position = TellRuntime(file);
    return result;
}

int OCFile::SeekMemory(std::int64_t offset, int origin) {
    std::int64_t target;
    switch (origin) {
        case SEEK_SET: target = offset; break;
        case SEEK_CUR: target = position + offset; break;
        // As in a pack entry, whether it was stored or inflated into memory.
        case SEEK_END: target = static_cast<std::int64_t>(memorySize) - offset; break;
        default: return 0;
    }
    // Outside the buffer the stream starts over rather than point anywhere else.
    position = target >= 0 && static_cast<std::uint64_t>(target) <= memorySize ? target : 0;
    memoryCursor = memory + static_cast<std::uint32_t>(position);
    return 0;
}

std::uint32_t OCFile::Read(void* destination, std::uint32_t count) {
    if (memoryMode) {
        std::uint64_t n = count;
        if (static_cast<std::uint64_t>(position) + count > memorySize) n = memorySize - position;
        if (n == 0) return 0;
        std::memcpy(destination, memoryCursor, static_cast<std::size_t>(n));
        memoryCursor += n;
        position += static_cast<std::int64_t>(n);
        return static_cast<std::uint32_t>(n);
    }
    if (!file) return 0;
    if (baseOffset) count = WithinEntry(count);
    const std::size_t got = std::fread(destination, 1, count, file);
    position += static_cast<std::int64_t>(got);
    return static_cast<std::uint32_t>(got);
}

// A pack window ends where its entry ends: the pack's following bytes are not the entry's.
std::uint32_t OCFile::WithinEntry(std::uint32_t count) const {
    const std::int64_t size = entry->values[2];
    if (position < 0 || position >= size) return 0;
    return static_cast<std::uint32_t>(std::min<std::int64_t>(count, size - position));
}
