// Directories: searches with a pattern, the current directory, making and removing.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/Handles.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/LastError.h"

namespace {

class Search : public posix::HandleObject {
public:
    explicit Search(std::vector<WIN32_FIND_DATAA> found) : found(std::move(found)) {}

    bool Next(WIN32_FIND_DATAA& data) {
        if (next == found.size()) return false;
        data = found[next++];
        return true;
    }

private:
    std::vector<WIN32_FIND_DATAA> found;
    std::size_t next = 0;
};

// '*' matches any run of characters, '?' exactly one; both texts are case-folded.
bool Matches(const char* name, const char* pattern) {
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name) {
        std::size_t nameSize = posix::CharacterSize(name);
        if (*pattern == '*') {
            starPattern = ++pattern;
            starName = name;
        } else if (*pattern == '?' ||
                   (*pattern && posix::CharacterSize(pattern) == nameSize && !std::memcmp(pattern, name, nameSize))) {
            pattern += *pattern == '?' ? 1 : nameSize;
            name += nameSize;
        } else if (starPattern) {
            starName += posix::CharacterSize(starName);
            name = starName;
            pattern = starPattern;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return !*pattern;
}

// A trailing ".*" may also match nothing, so "*.*" takes names without a dot too.
bool MatchesPattern(const std::string& name, const std::string& pattern) {
    std::string foldedName = posix::FoldCase(name);
    std::string foldedPattern = posix::FoldCase(pattern);
    if (Matches(foldedName.c_str(), foldedPattern.c_str())) return true;
    std::size_t size = foldedPattern.size();
    return size >= 2 && foldedPattern.compare(size - 2, 2, ".*") == 0 &&
           Matches(foldedName.c_str(), foldedPattern.substr(0, size - 2).c_str());
}

FILETIME FileTimeOf(const struct timespec& time) {
    // 100-nanosecond steps since 1601-01-01.
    const std::uint64_t secondsFrom1601To1970 = 11644473600ull;
    std::uint64_t ticks = (static_cast<std::uint64_t>(time.tv_sec) + secondsFrom1601To1970) * 10000000ull +
                          static_cast<std::uint64_t>(time.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

WIN32_FIND_DATAA FindDataOf(const std::string& name, const struct stat& status) {
    WIN32_FIND_DATAA data = {};
    data.dwFileAttributes = posix::AttributesOf(status);
    data.ftCreationTime = FileTimeOf(status.st_mtim);
    data.ftLastAccessTime = FileTimeOf(status.st_atim);
    data.ftLastWriteTime = FileTimeOf(status.st_mtim);
    if (!S_ISDIR(status.st_mode)) {
        std::uint64_t size = static_cast<std::uint64_t>(status.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size);
    }
    std::memcpy(data.cFileName, name.c_str(), name.size() + 1);
    return data;
}

// "." and ".." first, then by case-folded name, byte order between names that fold alike.
bool ListedBefore(const WIN32_FIND_DATAA& first, const WIN32_FIND_DATAA& second) {
    auto rank = [](const char* name) { return !std::strcmp(name, ".") ? 0 : !std::strcmp(name, "..") ? 1 : 2; };
    int firstRank = rank(first.cFileName), secondRank = rank(second.cFileName);
    if (firstRank != secondRank) return firstRank < secondRank;
    std::string firstFolded = posix::FoldCase(first.cFileName), secondFolded = posix::FoldCase(second.cFileName);
    if (firstFolded != secondFolded) return firstFolded < secondFolded;
    return std::strcmp(first.cFileName, second.cFileName) < 0;
}

std::vector<WIN32_FIND_DATAA> ListMatches(const std::string& hostDirectory, const std::string& pattern) {
    std::vector<WIN32_FIND_DATAA> found;
    DIR* directory = ::opendir(hostDirectory.c_str());
    if (!directory) return found;
    // The root of a drive has no "." and ".." on Windows.
    bool root = hostDirectory == "/";
    while (const dirent* entry = ::readdir(directory)) {
        std::string name = entry->d_name;
        bool dots = name == "." || name == "..";
        if ((root && dots) || name.size() >= MAX_PATH || !MatchesPattern(name, pattern)) continue;
        struct stat status;
        if (::fstatat(::dirfd(directory), entry->d_name, &status, 0) != 0 &&
            ::fstatat(::dirfd(directory), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        found.push_back(FindDataOf(name, status));
    }
    ::closedir(directory);
    std::sort(found.begin(), found.end(), ListedBefore);
    return found;
}

// Splits "dir\pattern" at its last separator; the directory keeps that separator, so "\*"
// searches the root. Without a separator (or after a bare drive) it is the current directory.
void SplitPattern(const char* text, std::string& directory, std::string& pattern) {
    const char* leaf = text[0] && text[1] == ':' ? text + 2 : text;
    for (const char* c = leaf; *c; c += posix::CharacterSize(c))
        if (*c == '\\' || *c == '/') leaf = c + 1;
    directory.assign(text, leaf);
    pattern = leaf;
    if (directory.empty() || directory.back() == ':') directory += '.';
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR patternPath, LPWIN32_FIND_DATAA found) {
    if (!patternPath || !*patternPath || !found) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string directory, pattern;
    SplitPattern(patternPath, directory, pattern);
    // The directory part ends in a separator or is ".", so what it maps to is a directory.
    posix::HostPath mapped;
    if (!posix::MapPath(directory.c_str(), posix::Target::Existing, mapped)) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<WIN32_FIND_DATAA> matches = ListMatches(mapped.path, pattern);
    if (pattern.empty() || matches.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_unique<Search>(std::move(matches));
    search->Next(*found);
    return posix::AddHandle(posix::HandleKind::Search, std::move(search));
}

BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA found) {
    auto* search = static_cast<Search*>(posix::FindHandle(handle, posix::HandleKind::Search));
    if (!search) return FALSE;
    if (!search->Next(*found)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL FindClose(HANDLE handle) { return posix::ReleaseHandle(handle, posix::HandleKind::Search); }

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    std::string current;
    if (!posix::CurrentDirectory(current)) return 0;
    return posix::CopyOut(posix::WindowsPathOf(current), size, buffer);
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
    posix::HostPath mapped;
    if (!posix::MapPath(path, posix::Target::Existing, mapped)) return FALSE;
    if (::chdir(mapped.path.c_str()) != 0) {
        posix::SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    posix::HostPath mapped;
    if (!posix::MapPath(path, posix::Target::Creatable, mapped)) return FALSE;
    if (mapped.exists) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (::mkdir(mapped.path.c_str(), 0777) != 0) {
        posix::SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR path) {
    posix::HostPath mapped;
    if (!posix::MapPath(path, posix::Target::Existing, mapped)) return FALSE;
    if (::rmdir(mapped.path.c_str()) != 0) {
        posix::SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}
