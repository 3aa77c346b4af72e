#include "files/Paths.h"

#include "platform/Platform.h"
#include "text/OCString.h"

namespace {

const char* SecondCharacter(const char* path) { return *path ? CharNextA(path) : path; }

// "\\server\share\" and "\" lead a path without being directories to create.
OCString UnmadePrefix(const char* path, OCString& parts) {
    OCString prefix;
    OCString part;
    if (path[0] == '\\' && path[1] == '\\') {
        prefix.Assign("\\\\");
        for (int i = 0; i < 2 && parts.GetToken(part, "\\", 0); ++i) prefix.AppendFormat("%s\\", part.GetText());
    } else if (path[0] == '\\') {
        prefix.Assign("\\");
    }
    return prefix;
}

}  // namespace

const char* LastSeparator(const char* path) {
    return reinterpret_cast<const char*>(_mbsrchr(reinterpret_cast<const unsigned char*>(path), '\\'));
}

int IsAbsolutePath(const char* path) {
    if (!path) return 0;
    return path[0] == '\\' || *SecondCharacter(path) == ':';
}

int EndsWithSeparator(const char* path) {
    if (!path || !*path) return 0;
    OCString text(path);
    text.MoveToEnd();
    return *text.MovePrevious() == '\\';
}

int FileExists(const char* path) {
    if (!path) return 0;
    if (path[0] != '\\' && *SecondCharacter(path) == ':') {
        // The volume is the drive's root, also for a bare drive ("C:", what a current directory
        // of "C:\" becomes once its final backslash is cut) and a drive-relative path.
        OCString root(path, static_cast<int>(CharNextA(CharNextA(path)) - path));
        root.Append("\\");
        if (!GetVolumeInformationA(root.GetText(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) return 0;
        if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return 1;
        HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return 0;
        CloseHandle(handle);
        return 1;
    }
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void CreateDirectories(const char* path) {
    if (!path) return;
    OCString parts(path);
    OCString accumulated = UnmadePrefix(path, parts);
    OCString part;
    while (parts.GetToken(part, "\\", 0)) {
        accumulated.Append(part.GetText());
        if (!IsAbsolutePath(part.GetText())) CreateDirectoryA(accumulated.GetText(), nullptr);
        accumulated.Append("\\");
    }
}
