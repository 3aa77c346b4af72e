#include "platform/posix/Handles.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace posix {

namespace {

struct Entry {
    HandleKind kind;
    std::unique_ptr<HandleObject> object;
};

struct Table {
    std::mutex lock;
    std::map<std::uintptr_t, Entry> entries;
    std::uintptr_t lastValue = 0;
};

Table& table() {
    static Table handles;
    return handles;
}

std::uintptr_t ValueOf(HANDLE handle) { return reinterpret_cast<std::uintptr_t>(handle); }

}  // namespace

HANDLE AddHandle(HandleKind kind, std::unique_ptr<HandleObject> object) {
    std::lock_guard<std::mutex> guard(table().lock);
    // Multiples of 4 as on Windows, never reused, so a stale handle stays invalid.
    table().lastValue += 4;
    table().entries[table().lastValue] = Entry{kind, std::move(object)};
    return reinterpret_cast<HANDLE>(table().lastValue);
}

HandleObject* FindHandle(HANDLE handle, HandleKind kind) {
    std::lock_guard<std::mutex> guard(table().lock);
    auto found = table().entries.find(ValueOf(handle));
    if (found == table().entries.end() || found->second.kind != kind) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return found->second.object.get();
}

BOOL ReleaseHandle(HANDLE handle, HandleKind kind) {
    std::unique_ptr<HandleObject> released;
    {
        std::lock_guard<std::mutex> guard(table().lock);
        auto found = table().entries.find(ValueOf(handle));
        if (found == table().entries.end() || found->second.kind != kind) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        released = std::move(found->second.object);
        table().entries.erase(found);
    }
    return TRUE;  // the object is destroyed here, outside the lock
}

}  // namespace posix
