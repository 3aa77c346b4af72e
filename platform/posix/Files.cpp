// Files: attributes, opening, deleting, the volume of drive Z: and the temporary directory.
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"
#include "platform/posix/Handles.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/LastError.h"

namespace {

class OpenFile : public posix::HandleObject {
public:
    explicit OpenFile(int descriptor) : descriptor(descriptor) {}
    ~OpenFile() override { ::close(descriptor); }

private:
    int descriptor;
};

int OpenFlags(DWORD access, DWORD creation) {
    bool read = access & GENERIC_READ;
    bool write = access & GENERIC_WRITE;
    int flags = read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    // No access at all asks only whether the file is there, which needs no permission.
    if (!read && !write && creation == OPEN_EXISTING) flags = O_PATH;
    if (creation == CREATE_NEW) flags |= O_CREAT | O_EXCL;
    if (creation == CREATE_ALWAYS) flags |= O_CREAT | O_TRUNC;
    return flags | O_CLOEXEC;
}

// Copies an optional text output of GetVolumeInformationA; false when it does not fit.
bool CopyName(const char* name, LPSTR buffer, DWORD size) {
    if (!buffer) return true;
    if (std::strlen(name) >= size) return false;
    std::strcpy(buffer, name);
    return true;
}

bool IsHostRoot(LPCSTR root) {
    return (root[0] == 'Z' || root[0] == 'z') && root[1] == ':' && (root[2] == '\\' || root[2] == '/') &&
           root[3] == '\0';
}

}  // namespace

DWORD GetFileAttributesA(LPCSTR path) {
    posix::HostPath mapped;
    if (!posix::MapPath(path, posix::Target::Existing, mapped)) return INVALID_FILE_ATTRIBUTES;
    return posix::AttributesOf(mapped.status);
}

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD creation, DWORD, HANDLE) {
    if (creation != OPEN_EXISTING && creation != CREATE_NEW && creation != CREATE_ALWAYS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    posix::HostPath mapped;
    auto target = creation == OPEN_EXISTING ? posix::Target::Existing : posix::Target::Creatable;
    if (!posix::MapPath(path, target, mapped)) return INVALID_HANDLE_VALUE;
    if (mapped.exists && S_ISDIR(mapped.status.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    int descriptor = ::open(mapped.path.c_str(), OpenFlags(access, creation), 0666);
    if (descriptor < 0) {
        // Windows names an existing file in the way of a new one apart from other objects.
        SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : posix::ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = posix::AddHandle(posix::HandleKind::Kernel, std::make_unique<OpenFile>(descriptor));
    SetLastError(creation == CREATE_ALWAYS && mapped.exists ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL CloseHandle(HANDLE handle) { return posix::ReleaseHandle(handle, posix::HandleKind::Kernel); }

BOOL DeleteFileA(LPCSTR path) {
    posix::HostPath mapped;
    if (!posix::MapPath(path, posix::Target::Existing, mapped)) return FALSE;
    if (S_ISDIR(mapped.status.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::unlink(mapped.path.c_str()) != 0) {
        posix::SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

// The host has no sharing modes, so shareFlag changes nothing.
std::FILE* _fsopen(const char* path, const char* mode, int) {
    if (!mode) {
        SetLastError(ERROR_INVALID_PARAMETER);
        errno = EINVAL;
        return nullptr;
    }
    posix::HostPath mapped;
    auto target = mode[0] == 'r' ? posix::Target::Existing : posix::Target::Creatable;
    if (!posix::MapPath(path, target, mapped)) {
        errno = ENOENT;
        return nullptr;
    }
    // The runtime on Windows cannot open a directory as a stream.
    if (mapped.exists && S_ISDIR(mapped.status.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        errno = EACCES;
        return nullptr;
    }
    std::FILE* file = ::fopen(mapped.path.c_str(), mode);
    if (!file) posix::SetLastErrorFromErrno();
    return file;
}

// Only the host's root is a volume; a null root is the current directory's, which is Z:.
BOOL GetVolumeInformationA(LPCSTR root, LPSTR volumeName, DWORD volumeNameSize, LPDWORD serialNumber,
                           LPDWORD maximumComponentLength, LPDWORD fileSystemFlags, LPSTR fileSystemName,
                           DWORD fileSystemNameSize) {
    if (root && !IsHostRoot(root)) {
        bool otherRoot = root[0] && root[1] == ':' && (root[2] == '\\' || root[2] == '/') && !root[3];
        SetLastError(otherRoot ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_NAME);
        return FALSE;
    }
    struct statvfs volume;
    if (::statvfs("/", &volume) != 0) {
        posix::SetLastErrorFromErrno();
        return FALSE;
    }
    if (!CopyName("", volumeName, volumeNameSize) || !CopyName("NTFS", fileSystemName, fileSystemNameSize)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const DWORD casePreservedNames = 0x2;
    if (serialNumber) *serialNumber = static_cast<DWORD>(volume.f_fsid);
    if (maximumComponentLength) *maximumComponentLength = static_cast<DWORD>(volume.f_namemax);
    if (fileSystemFlags) *fileSystemFlags = casePreservedNames;
    return TRUE;
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
    const char* temporary = std::getenv("TMPDIR");
    std::string hostPath = temporary && temporary[0] == '/' ? temporary : "/tmp";
    while (hostPath.size() > 1 && hostPath.back() == '/') hostPath.pop_back();
    std::string windowsPath = posix::WindowsPathOf(hostPath);
    if (windowsPath.back() != '\\') windowsPath += '\\';
    return posix::CopyOut(windowsPath, size, buffer);
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }
