// The handles the host layer gives out: one table for files, events and directory searches.
#pragma once

#include <memory>

#include "platform/Platform.h"

namespace posix {

// What a handle stands for; destroying it releases what it holds.
class HandleObject {
public:
    virtual ~HandleObject() = default;
};

enum class HandleKind {
    Kernel,  // files and events, closed by CloseHandle
    Search,  // directory searches, closed by FindClose
};

HANDLE AddHandle(HandleKind kind, std::unique_ptr<HandleObject> object);
// The object behind a handle of that kind; null with ERROR_INVALID_HANDLE otherwise.
HandleObject* FindHandle(HANDLE handle, HandleKind kind);
// Destroys the object behind a handle of that kind; FALSE with ERROR_INVALID_HANDLE otherwise.
BOOL ReleaseHandle(HANDLE handle, HandleKind kind);

}  // namespace posix
