// The tools' needs on Windows: names are ANSI (code page 932) already; files through the
// kernel's handles, links recognised as reparse points.
#include "platform/ToolHost.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>

namespace toolhost {

namespace {

const UINT kArchiveCodePage = 932;

std::string Describe(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<char*>(&text), 0, nullptr);
    std::string described = length ? std::string(text, length) : "error " + std::to_string(error);
    LocalFree(text);
    while (!described.empty() && (described.back() == '\n' || described.back() == '\r' || described.back() == '.'))
        described.pop_back();
    return described;
}

std::string LastError() { return Describe(GetLastError()); }

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::intptr_t Stored(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool Missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

Kind KindOf(DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return Kind::Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Kind::Folder;
    return Kind::File;
}

std::uint64_t SizeOf(DWORD high, DWORD low) { return static_cast<std::uint64_t>(high) << 32 | low; }

bool Wide(const std::string& archive, std::wstring& wide) {
    if (archive.empty()) {
        wide.clear();
        return true;
    }
    const int size = static_cast<int>(archive.size());
    const int length = MultiByteToWideChar(kArchiveCodePage, MB_ERR_INVALID_CHARS, archive.data(), size, nullptr, 0);
    if (length <= 0) return false;
    wide.assign(static_cast<std::size_t>(length), L'\0');
    return MultiByteToWideChar(kArchiveCodePage, MB_ERR_INVALID_CHARS, archive.data(), size, &wide[0], length) ==
           length;
}

bool CloseStored(std::intptr_t& handle, std::string& why) {
    if (handle == -1) return true;
    const BOOL closed = CloseHandle(Handle(handle));
    handle = -1;
    if (!closed) why = LastError();
    return closed != FALSE;
}

// Reads up to count bytes at offset, whatever the handle's own position.
bool ReadAtOffset(HANDLE file, std::uint64_t offset, void* buffer, DWORD count, DWORD& got) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    got = 0;
    return ReadFile(file, buffer, count, &got, &at) || GetLastError() == ERROR_HANDLE_EOF;
}

std::string FolderOf(const std::string& path) {
    std::size_t last = std::string::npos;
    for (const char* c = path.c_str(); *c; c = CharNextA(c))
        if (IsSeparator(*c)) last = static_cast<std::size_t>(c - path.c_str());
    if (last == std::string::npos) return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
    const bool root = last == 0 || (last == 2 && path[1] == ':');
    return path.substr(0, root ? last + 1 : last);
}

volatile LONG interrupted = 0;

BOOL WINAPI OnInterrupt(DWORD) {
    // The first request is ours to finish cleanly; a second ends the process as usual.
    return InterlockedExchange(&interrupted, 1) == 0;
}

}  // namespace

bool ToArchiveText(const std::string& native, std::string& archive) {
    archive = native;
    return true;
}

bool ToNativeText(const std::string& archive, std::string& native) {
    std::wstring wide;
    if (!Wide(archive, wide)) return false;
    native = archive;
    return true;
}

bool ToUtf8(const std::string& archive, std::string& utf8) {
    std::wstring wide;
    if (!Wide(archive, wide)) return false;
    if (wide.empty()) {
        utf8.clear();
        return true;
    }
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return false;
    utf8.assign(static_cast<std::size_t>(length), '\0');
    return WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, &utf8[0], length, nullptr, nullptr) == length;
}

PathParts SplitPath(const std::string& path) {
    PathParts split;
    split.absolute = (!path.empty() && IsSeparator(path[0])) || (path.size() >= 2 && path[1] == ':');
    std::string part;
    for (const char* c = path.c_str(); *c;) {
        const char* next = CharNextA(c);
        if (IsSeparator(*c) && next == c + 1) {
            if (!part.empty()) split.parts.push_back(part);
            part.clear();
        } else {
            part.append(c, next);
        }
        c = next;
    }
    if (!part.empty()) split.parts.push_back(part);
    return split;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    const char* last = CharPrevA(directory.c_str(), directory.c_str() + directory.size());
    return IsSeparator(*last) && last + 1 == directory.c_str() + directory.size() ? directory + name
                                                                                   : directory + "\\" + name;
}

bool GetStatus(const std::string& path, bool followLink, Status& status, std::string& why) {
    status = Status();
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        if (Missing(GetLastError())) return true;
        why = LastError();
        return false;
    }
    status.kind = KindOf(data.dwFileAttributes);
    status.size = SizeOf(data.nFileSizeHigh, data.nFileSizeLow);
    if (status.kind != Kind::Link || !followLink) {
        if (status.kind != Kind::File) status.size = 0;
        return true;
    }
    HANDLE target = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = target != INVALID_HANDLE_VALUE && GetFileInformationByHandle(target, &information);
    if (!known) why = LastError();
    if (target != INVALID_HANDLE_VALUE) CloseHandle(target);
    if (!known) return false;
    status.kind = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Folder : Kind::File;
    status.size = status.kind == Kind::File ? SizeOf(information.nFileSizeHigh, information.nFileSizeLow) : 0;
    return true;
}

bool ListFolder(const std::string& path, std::vector<FolderItem>& items, std::string& why) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(path, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        why = LastError();
        return false;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        FolderItem item;
        item.name = name;
        item.status.kind = KindOf(found.dwFileAttributes);
        if (item.status.kind == Kind::File) item.status.size = SizeOf(found.nFileSizeHigh, found.nFileSizeLow);
        items.push_back(item);
    } while (FindNextFileA(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error == ERROR_NO_MORE_FILES) return true;
    why = Describe(error);
    return false;
}

bool FileIdentity(const std::string& path, std::string& identity) {
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = GetFileInformationByHandle(file, &information) != FALSE;
    CloseHandle(file);
    if (!known) return false;
    identity = std::to_string(information.dwVolumeSerialNumber) + ":" +
               std::to_string(SizeOf(information.nFileIndexHigh, information.nFileIndexLow));
    return true;
}

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::string& path, std::string& why) {
    Close();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = LastError();
        return false;
    }
    handle = Stored(file);
    return true;
}

bool InputFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got, std::string& why) {
    got = 0;
    while (got < count) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - got, 1u << 30));
        DWORD read = 0;
        if (!ReadAtOffset(Handle(handle), offset + got, static_cast<char*>(buffer) + got, want, read)) {
            why = LastError();
            return false;
        }
        if (read == 0) break;
        got += read;
    }
    return true;
}

void InputFile::Close() {
    std::string ignored;
    CloseStored(handle, ignored);
}

OutputFile::~OutputFile() {
    std::string ignored;
    CloseStored(handle, ignored);
}

bool OutputFile::Write(const void* bytes, std::size_t size, std::string& why) {
    if (hooks().write && !hooks().write(size)) {
        why = Describe(ERROR_WRITE_FAULT);
        return false;
    }
    const char* next = static_cast<const char*>(bytes);
    while (size > 0) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD wrote = 0;
        if (!WriteFile(Handle(handle), next, want, &wrote, nullptr) || wrote == 0) {
            why = wrote == 0 && GetLastError() == ERROR_SUCCESS ? Describe(ERROR_DISK_FULL) : LastError();
            return false;
        }
        next += wrote;
        size -= wrote;
    }
    return true;
}

bool OutputFile::SeekTo(std::uint64_t position, std::string& why) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    if (SetFilePointerEx(Handle(handle), to, nullptr, FILE_BEGIN)) return true;
    why = LastError();
    return false;
}

bool OutputFile::AppendFrom(OutputFile& source, std::uint64_t size, std::string& why) {
    std::vector<char> chunk(1 << 20);
    for (std::uint64_t from = 0; from < size;) {
        const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(chunk.size(), size - from));
        DWORD read = 0;
        if (!ReadAtOffset(Handle(source.handle), from, chunk.data(), want, read) || read == 0) {
            why = read == 0 ? "the scratch file ended early" : LastError();
            return false;
        }
        if (!Write(chunk.data(), read, why)) return false;
        from += read;
    }
    return true;
}

bool OutputFile::Flush(std::string& why) {
    if (FlushFileBuffers(Handle(handle))) return true;
    why = LastError();
    return false;
}

bool OutputFile::Close(std::string& why) { return CloseStored(handle, why); }

bool CreateNew(const std::string& path, OutputFile& file, bool& exists, std::string& why) {
    HANDLE created = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    const DWORD error = GetLastError();
    exists = created == INVALID_HANDLE_VALUE && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS);
    if (created == INVALID_HANDLE_VALUE) {
        why = Describe(error);
        return false;
    }
    file.handle = Stored(created);
    return true;
}

bool CreateScratch(const std::string& nearPath, OutputFile& file, std::string& why) {
    const std::string folder = FolderOf(nearPath);
    for (unsigned serial = 0;; ++serial) {
        const std::string name = JoinPath(folder, "~pak-scratch-" + std::to_string(GetCurrentProcessId()) + "-" +
                                                      std::to_string(serial) + ".tmp");
        HANDLE created = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (created != INVALID_HANDLE_VALUE) {
            file.handle = Stored(created);
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS || serial == 1000) {
            why = LastError();
            return false;
        }
    }
}

bool Replace(const std::string& from, const std::string& to, std::string& why) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    why = LastError();
    return false;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool RemoveFolder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != FALSE; }

bool MakeFolders(const std::string& path, std::string& why) {
    // Each folder on the way, then the path itself; one that could not be made shows at the end.
    for (const char* c = path.c_str(); *c; c = CharNextA(c))
        if (IsSeparator(*c) && c != path.c_str())
            CreateDirectoryA(path.substr(0, static_cast<std::size_t>(c - path.c_str())).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    why = path + ": " + (attributes == INVALID_FILE_ATTRIBUTES ? LastError() : "not a folder");
    return false;
}

Destination::~Destination() {}

bool Destination::Open(const std::string& folder, std::string& why) {
    if (!MakeFolders(folder, why)) return false;
    root = folder;
    return true;
}

namespace {

std::string Below(const std::string& root, const std::vector<std::string>& parts, std::size_t count) {
    std::string path = root;
    for (std::size_t i = 0; i < count; ++i) path = JoinPath(path, parts[i]);
    return path;
}

// The folder at path, made when missing; a link there is never entered.
Destination::Result EnsureFolder(const std::string& path, std::string& why) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            why = LastError();
            return Destination::Result::Failed;
        }
        attributes = GetFileAttributesA(path.c_str());
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return Destination::Result::Link;
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        why = attributes == INVALID_FILE_ATTRIBUTES ? LastError() : "a file stands where a folder goes";
        return Destination::Result::Failed;
    }
    return Destination::Result::Created;
}

}  // namespace

Destination::Result Destination::Create(const std::vector<std::string>& parts, bool replace, OutputFile& file,
                                        std::string& why) {
    const std::vector<std::string> folderParts(parts.begin(), parts.end() - 1);
    if (folderParts != cachedFolder || cachedHandle == -1) {
        for (std::size_t i = 1; i <= folderParts.size(); ++i) {
            const Result entered = EnsureFolder(Below(root, parts, i), why);
            if (entered != Result::Created) return entered;
        }
        cachedFolder = folderParts;
        cachedHandle = 0;  // the folders on the way are checked
    }
    const std::string path = Below(root, parts, parts.size());
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool exists = false;
        if (CreateNew(path, file, exists, why)) return Result::Created;
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return Result::Failed;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            why = "a folder stands where the file goes";
            return Result::Failed;
        }
        if (!replace) return attributes & FILE_ATTRIBUTE_REPARSE_POINT ? Result::Link : Result::Exists;
        // Deleting a link takes the link away, never what it points to.
        if (!DeleteFileA(path.c_str())) {
            why = LastError();
            return Result::Failed;
        }
    }
    return Result::Failed;
}

void Destination::Remove(const std::vector<std::string>& parts) { DeleteFileA(Below(root, parts, parts.size()).c_str()); }

unsigned ProcessorCount() {
    SYSTEM_INFO information;
    GetSystemInfo(&information);
    return information.dwNumberOfProcessors > 0 ? information.dwNumberOfProcessors : 1;
}

bool IsTerminal(std::FILE* stream) {
    DWORD mode;
    return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), &mode) != FALSE;
}

void UseBinaryMode(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

void CatchInterrupts() { SetConsoleCtrlHandler(OnInterrupt, TRUE); }

bool Interrupted() { return interrupted != 0; }

}  // namespace toolhost
