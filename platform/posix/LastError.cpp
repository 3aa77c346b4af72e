#include "platform/posix/LastError.h"

#include <cerrno>

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

}  // namespace

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD error) { lastError = error; }

namespace posix {

DWORD ErrorFromErrno(int error) {
    switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK: return ERROR_SHARING_VIOLATION;
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM: return ERROR_NOT_READY;
    // Windows refuses with "access denied" also where the host names a reason of its own:
    // a directory opened as a file, a read-only file system, a missing permission.
    default: return ERROR_ACCESS_DENIED;
    }
}

void SetLastErrorFromErrno() { SetLastError(ErrorFromErrno(errno)); }

}  // namespace posix
