#include "platform/posix/HostPath.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/posix/LastError.h"

namespace posix {

std::size_t CharacterSize(const char* text) {
    return IsDBCSLeadByte(static_cast<BYTE>(text[0])) && text[1] != '\0' ? 2 : 1;
}

std::string FoldCase(const std::string& name) {
    std::string folded = name;
    for (std::size_t i = 0; i < folded.size(); i += CharacterSize(folded.c_str() + i))
        if (folded[i] >= 'a' && folded[i] <= 'z') folded[i] = static_cast<char>(folded[i] - 'a' + 'A');
    return folded;
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDrive(const char* path) {
    char letter = path[0];
    return ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) && path[1] == ':';
}

// Windows refuses control characters, wildcards and a few others in names; a '/' after a
// lead byte could not be part of a host name at all.
bool IsValidName(const std::string& name) {
    for (std::size_t i = 0; i < name.size(); i += CharacterSize(name.c_str() + i)) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (CharacterSize(name.c_str() + i) == 2) {
            if (name[i + 1] == '/') return false;
        } else if (c < 0x20 || std::strchr("*?<>|\":", c)) {
            return false;
        }
    }
    return true;
}

std::string Join(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    if (directory.back() == '/') return directory + name;
    return directory + "/" + name;
}

// A path as its components below the root or the current directory, with "." and ".."
// resolved by text as Windows does.
struct Components {
    std::vector<std::string> parts;
    bool absolute = false;
    bool trailingSeparator = false;

    std::string Joined() const {
        std::string path = absolute ? "/" : "";
        for (const std::string& part : parts) path = Join(path, part);
        return path.empty() ? "." : path;
    }
};

// Steps over a drive or device prefix. False with the last error for a path the host cannot
// reach: another drive or a network path.
bool SkipDrive(const char*& path) {
    if (IsSeparator(path[0]) && IsSeparator(path[1])) {
        // "\\?\Z:\x" and "\\.\Z:\x" are the drive path itself; anything else is a network path.
        if ((path[2] == '?' || path[2] == '.') && IsSeparator(path[3]) && HasDrive(path + 4)) {
            path += 4;
        } else {
            SetLastError(ERROR_BAD_NETPATH);
            return false;
        }
    }
    if (HasDrive(path)) {
        if (path[0] != 'Z' && path[0] != 'z') {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return false;
        }
        path += 2;  // "Z:x" is relative to the current directory, which is always on Z:
    }
    return true;
}

std::vector<std::string> SplitNames(const char* path, bool& trailingSeparator) {
    std::vector<std::string> names(1);
    for (; *path; path += CharacterSize(path)) {
        trailingSeparator = IsSeparator(*path);
        if (!trailingSeparator) {
            names.back().append(path, CharacterSize(path));
        } else if (!names.back().empty()) {
            names.emplace_back();
        }
    }
    if (names.back().empty()) names.pop_back();
    return names;
}

std::vector<std::string> SplitHostPath(const std::string& hostPath) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < hostPath.size()) {
        std::size_t end = hostPath.find('/', start);
        if (end == std::string::npos) end = hostPath.size();
        if (end > start) parts.push_back(hostPath.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool Parse(const char* windowsPath, Components& components) {
    if (!windowsPath || !*windowsPath) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    const char* path = windowsPath;
    if (!SkipDrive(path)) return false;
    components.absolute = IsSeparator(*path);
    std::vector<std::string> names = SplitNames(path, components.trailingSeparator);
    for (const std::string& name : names) {
        if (name == "." || name == "..") continue;
        if (!IsValidName(name)) {
            SetLastError(ERROR_INVALID_NAME);
            return false;
        }
    }
    // A ".." may climb above the current directory, so a relative path that has one is
    // resolved from the current directory's own components.
    if (!components.absolute && std::find(names.begin(), names.end(), "..") != names.end()) {
        std::string current;
        if (!CurrentDirectory(current)) return false;
        components.parts = SplitHostPath(current);
        components.absolute = true;
    }
    for (const std::string& name : names) {
        if (name == "..") {
            if (!components.parts.empty()) components.parts.pop_back();
        } else if (name != ".") {
            components.parts.push_back(name);
        }
    }
    return true;
}

// Walks the components from the root, looking each up without regard to case.
bool Resolve(const Components& components, Target target, HostPath& mapped) {
    std::string current = components.absolute ? "/" : "";
    for (std::size_t i = 0; i < components.parts.size(); ++i) {
        bool last = i + 1 == components.parts.size();
        std::string entry = FindEntry(current.empty() ? "." : current, components.parts[i]);
        if (entry.empty()) {
            if (!last || target == Target::Existing) {
                SetLastError(last ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
                return false;
            }
            mapped.path = Join(current, components.parts[i]);
            mapped.exists = false;
            return true;
        }
        current = Join(current, entry);
        if (::stat(current.c_str(), &mapped.status) != 0) {
            SetLastError(!last && errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
            return false;
        }
        if (!last && !S_ISDIR(mapped.status.st_mode)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return false;
        }
    }
    mapped.path = current.empty() ? "." : current;
    mapped.exists = true;
    return true;
}

}  // namespace

bool MapPath(const char* windowsPath, Target target, HostPath& mapped) {
    Components components;
    if (!Parse(windowsPath, components)) return false;
    mapped.path = components.Joined();
    mapped.exists = ::stat(mapped.path.c_str(), &mapped.status) == 0;
    if (!mapped.exists) {
        if (errno != ENOENT && errno != ENOTDIR) {
            SetLastErrorFromErrno();
            return false;
        }
        if (!Resolve(components, target, mapped)) return false;
    }
    // "file\" names a directory that is not there.
    if (mapped.exists && components.trailingSeparator && !S_ISDIR(mapped.status.st_mode)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

std::string FindEntry(const std::string& hostDirectory, const std::string& name) {
    struct stat status;
    if (::lstat(Join(hostDirectory, name).c_str(), &status) == 0) return name;
    DIR* directory = ::opendir(hostDirectory.c_str());
    if (!directory) return {};
    std::string folded = FoldCase(name);
    std::string found;
    while (const dirent* entry = ::readdir(directory)) {
        std::string candidate = entry->d_name;
        if (candidate == "." || candidate == "..") continue;
        if (FoldCase(candidate) == folded && (found.empty() || candidate < found)) found = candidate;
    }
    ::closedir(directory);
    return found;
}

bool CurrentDirectory(std::string& hostPath) {
    char* current = ::getcwd(nullptr, 0);
    if (!current) {
        SetLastErrorFromErrno();
        return false;
    }
    hostPath = current;
    std::free(current);
    return true;
}

std::string WindowsPathOf(const std::string& hostPath) {
    std::string windowsPath = "Z:" + hostPath;
    for (char& c : windowsPath)
        if (c == '/') c = '\\';
    return windowsPath;
}

DWORD CopyOut(const std::string& text, DWORD size, LPSTR buffer) {
    DWORD length = static_cast<DWORD>(text.size());
    if (!buffer || length >= size) return length + 1;
    std::memcpy(buffer, text.c_str(), length + 1);
    return length;
}

DWORD AttributesOf(const struct stat& status) {
    if (S_ISDIR(status.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    // Read-only is a file's own flag on Windows; here it is a file that nobody may write.
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return FILE_ATTRIBUTE_READONLY;
    return FILE_ATTRIBUTE_NORMAL;
}

}  // namespace posix
