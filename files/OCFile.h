// One stream over a disk file, an entry of a pack archive, or a block of memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "files/pack/OCPackEntry.h"
#include "text/OCString.h"

class OCFile {
public:
    enum Mode {
        ModeRead = 0,
        ModeWrite = 1,
        ModeAppend = 2,
        ModeSkipSearchDirectories = 8,
    };

    OCFile();
    OCFile(const OCFile&) = delete;
    OCFile& operator=(const OCFile&) = delete;
    virtual ~OCFile();

    // 1 when a file is open afterwards. Throws OCErrorException when the user chooses Abort.
    int Open(const char* fileName, int mode);
    // A null buffer makes the stream allocate and own one of the size. Always 1.
    int OpenMemory(void* buffer, std::uint32_t size);
    void Close();
    std::uint32_t GetSize();
    int Seek(std::int64_t offset, int origin);
    std::uint32_t Read(void* destination, std::uint32_t count);

    // Decompresses a zlib stream of at most compressedSize bytes from the current position.
    std::uint32_t Inflate(std::uint32_t compressedSize, void* destination, std::uint32_t size);
    // Sets the stream on the first entry of the directory's pack archives matching name.
    int FindInPacks(const char* directory, const char* entryName);

    std::FILE* file = nullptr;  // the disk file, or the pack file holding the shown entry
    OCString name;              // what file was opened under
    OCString path;              // what the stream shows: the file, or the entry's name
    int compressed = 0;         // the shown entry was stored compressed
    std::int64_t position = 0;  // from the first byte of what the stream shows
    int inPack = 0;
    std::unique_ptr<OCPackEntry> entry;  // the directory record read last
    std::uint64_t baseOffset = 0;        // the shown entry's first byte in a pack window
    int memoryMode = 0;
    unsigned char* memory = nullptr;
    std::uint64_t memorySize = 0;
    unsigned char* memoryCursor = nullptr;
    int ownsMemory = 0;

private:
    int OpenFile(const char* fileName, int mode, int packSearch);
    int OpenPackFile(const char* packPath);
    void AttemptOpen(const char* fileName, int mode, int packSearch);
    int OpenFirstMatch(const char* pattern, const char* runtimeMode);
    static OCString MatchName(const char* pattern, const char* match);
    static void CreateParentDirectories(const char* fileName);
    void OpenOnDisk(const char* fileName, const char* runtimeMode);
    void SearchPacks(const char* fileName, int mode);
    static int AskUser(const char* fileName);
    int SeekMemory(std::int64_t offset, int origin);
    std::uint32_t WithinEntry(std::uint32_t count) const;
};
