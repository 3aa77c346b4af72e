// What the command-line tools need of the operating system beyond the system's own subset.
//
// Paths and file names here are native: UTF-8 on Linux, the ANSI code page (932) on
// Windows. Names inside pack archives are code page 932 on both. Failures leave a short
// description of the cause in why.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace toolhost {

// Code page 932 from native text; false when a character has no code in 932.
bool ToArchiveText(const std::string& native, std::string& archive);
// Native text from code page 932; false when the bytes are not code page 932 text.
bool ToNativeText(const std::string& archive, std::string& native);
// UTF-8 from code page 932 on every system, for output that must be UTF-8.
bool ToUtf8(const std::string& archive, std::string& utf8);

// A native path cut at its separators ('/' on Linux; '\' and '/' on Windows, never inside a
// two-byte character). Absolute: rooted, or with a drive or network prefix.
struct PathParts {
    bool absolute = false;
    std::vector<std::string> parts;  // without empty parts
};
PathParts SplitPath(const std::string& path);
std::string JoinPath(const std::string& directory, const std::string& name);

enum class Kind { Missing, File, Folder, Link, Other };

struct Status {
    Kind kind = Kind::Missing;
    std::uint64_t size = 0;  // of a file
};

// The status of path; a link at path itself is followed when followLink is set. A missing
// path is no failure: its kind is Missing.
bool GetStatus(const std::string& path, bool followLink, Status& status, std::string& why);

struct FolderItem {
    std::string name;
    Status status;  // a link is reported as a link, never followed
};
// The items of a folder, without "." and "..", in no particular order.
bool ListFolder(const std::string& path, std::vector<FolderItem>& items, std::string& why);

// An identity of the file at path, equal for two paths exactly when they name one file.
bool FileIdentity(const std::string& path, std::string& identity);

// A file read at given offsets; one object may be read from one thread at a time.
class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    bool Open(const std::string& path, std::string& why);
    // Up to count bytes from offset on into buffer; got is 0 at the end of the file.
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got, std::string& why);
    void Close();

private:
    std::intptr_t handle = -1;
};

// The whole of a file in bytes; false when it cannot be opened or read (bytes then hold what
// was read).
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& why);

// A file being written. Closing it without Close (by the destructor) drops any error.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    bool Write(const void* bytes, std::size_t size, std::string& why);
    // Later writes go to position.
    bool SeekTo(std::uint64_t position, std::string& why);
    // Appends the first size bytes of source, another open file.
    bool AppendFrom(OutputFile& source, std::uint64_t size, std::string& why);
    // Puts what was written on the disk itself, before a rename makes it count.
    bool Flush(std::string& why);
    bool Close(std::string& why);

private:
    friend bool CreateNew(const std::string&, OutputFile&, bool&, std::string&);
    friend bool CreateScratch(const std::string&, OutputFile&, std::string&);
    friend class Destination;
    std::intptr_t handle = -1;
};

// Creates a file that must not exist yet, never through a link; exists tells that something
// was in the way.
bool CreateNew(const std::string& path, OutputFile& file, bool& exists, std::string& why);
// A nameless file for scratch data in the folder of nearPath, read and written, gone when
// it is closed or the process ends.
bool CreateScratch(const std::string& nearPath, OutputFile& file, std::string& why);
// Puts from in place of to, replacing a file that is there, in one step.
bool Replace(const std::string& from, const std::string& to, std::string& why);
bool RemoveFile(const std::string& path);
bool RemoveFolder(const std::string& path);  // an empty one
bool MakeFolders(const std::string& path, std::string& why);  // every missing folder on the way

// A folder that files are written into, below it only: no link found on the way is ever
// followed, so nothing written through it lands outside.
class Destination {
public:
    enum class Result { Created, Exists, Link, Failed };

    Destination() = default;
    Destination(const Destination&) = delete;
    Destination& operator=(const Destination&) = delete;
    ~Destination();

    bool Open(const std::string& root, std::string& why);
    // Creates the file at the parts (native names) below the root, making folders on the way.
    // Exists: a file is there and replace is not set (with replace it is removed first, a link
    // as a link). Link: a link stands where a folder or the file would go.
    Result Create(const std::vector<std::string>& parts, bool replace, OutputFile& file, std::string& why);
    // Removes a file that Create made.
    void Remove(const std::vector<std::string>& parts);

private:
    std::string root;
    std::intptr_t rootHandle = -1;
    std::vector<std::string> cachedFolder;  // the folder below the root opened last
    std::intptr_t cachedHandle = -1;
};

unsigned ProcessorCount();
bool IsTerminal(std::FILE* stream);
// Bytes written to the stream go out unchanged (no line-end translation).
void UseBinaryMode(std::FILE* stream);

// From now on an interrupt (Ctrl-C, a request to end) sets a flag rather than ending the
// process; a second one ends it.
void CatchInterrupts();
bool Interrupted();

// For tests: while set, every OutputFile::Write asks it first and fails when it says false.
struct Hooks {
    bool (*write)(std::size_t size) = nullptr;
};
Hooks& hooks();

}  // namespace toolhost
