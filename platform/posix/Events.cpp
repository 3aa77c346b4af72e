// Named events as lock files: a name exists exactly while some process holds a shared flock
// on its file, and the kernel drops the lock when that process ends, however it ends.
//
// The files live in a directory of the user's own ($XDG_RUNTIME_DIR/oc-events, else
// /tmp/oc-events-<uid>). Creating a name and closing one both run under an exclusive lock on
// the directory's guard file, so a name is never taken twice between one process's test
// and its shared lock (flock converts a lock by dropping it first). The event's state is
// not kept: nothing here waits on an event, sets or resets one.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/posix/Handles.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/LastError.h"

namespace {

// An open descriptor, closed with the object.
class Descriptor {
public:
    explicit Descriptor(int value = -1) : value(value) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (value >= 0) ::close(value);
    }
    int Get() const { return value; }
    int Release() {
        int released = value;
        value = -1;
        return released;
    }

private:
    int value;
};

class Event : public posix::HandleObject {
public:
    Event() = default;
    Event(std::string lockPath, int lock) : lockPath(std::move(lockPath)), lock(lock) {}
    ~Event() override;

private:
    std::string lockPath;
    int lock = -1;  // holds the shared flock of a named event
};

bool EventDirectory(std::string& directory) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    directory = runtime && runtime[0] == '/' ? std::string(runtime) + "/oc-events"
                                             : "/tmp/oc-events-" + std::to_string(::geteuid());
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        posix::SetLastErrorFromErrno();
        return false;
    }
    // In a shared /tmp the name could be someone else's: use it only when it is our own.
    struct stat status;
    if (::lstat(directory.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

int OpenLockFile(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

// The directory's guard, locked for one creation or release; -1 with the last error set.
int LockGuard(const std::string& directory) {
    Descriptor guard(OpenLockFile(directory + "/guard"));
    if (guard.Get() < 0 || ::flock(guard.Get(), LOCK_EX) != 0) {
        posix::SetLastErrorFromErrno();
        return -1;
    }
    return guard.Release();
}

std::uint64_t Fnv1a(const std::string& bytes, std::uint64_t hash) {
    for (unsigned char byte : bytes) hash = (hash ^ byte) * 0x100000001b3ull;
    return hash;
}

// The file name of an event name: its bytes in hex, which keeps names case-sensitive on any
// file system; names too long for a file name by their hash (two 64-bit halves).
std::string LockFileName(const std::string& name) {
    char hex[3];
    std::string encoded = "n";
    for (unsigned char byte : name) {
        std::snprintf(hex, sizeof hex, "%02x", byte);
        encoded += hex;
    }
    if (encoded.size() <= 200) return encoded;
    std::string reversed(name.rbegin(), name.rend());
    char hashed[40];
    auto forward = static_cast<unsigned long long>(Fnv1a(name, 0xcbf29ce484222325ull));
    auto backward = static_cast<unsigned long long>(Fnv1a(reversed, 0x84222325cbf29ce4ull));
    std::snprintf(hashed, sizeof hashed, "h%016llx%016llx", forward, backward);
    return hashed;
}

// The name in the session's namespace: "Local\" is the default one, "Global\" one of its
// own; any other backslash names a namespace that does not exist.
bool NamespacedName(const std::string& name, std::string& key) {
    const std::string local = "Local\\", global = "Global\\";
    bool isLocal = name.compare(0, local.size(), local) == 0;
    key = isLocal ? name.substr(local.size()) : name;
    std::size_t start = !isLocal && name.compare(0, global.size(), global) == 0 ? global.size() : 0;
    for (std::size_t i = start; i < key.size(); i += posix::CharacterSize(key.c_str() + i)) {
        if (key[i] == '\\') {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return false;
        }
    }
    return true;
}

Event::~Event() {
    if (lock < 0) return;
    // The last holder removes the file; under the guard nobody else is opening it.
    std::string directory = lockPath.substr(0, lockPath.rfind('/'));
    Descriptor guard(LockGuard(directory));
    if (guard.Get() >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0) ::unlink(lockPath.c_str());
    ::close(lock);
}

}  // namespace

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL, BOOL, LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_SUCCESS);
        return posix::AddHandle(posix::HandleKind::Kernel, std::make_unique<Event>());
    }
    // Windows takes ANSI names through a buffer of MAX_PATH characters.
    if (std::string(name).size() >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    std::string key, directory;
    if (!NamespacedName(name, key) || !EventDirectory(directory)) return nullptr;
    Descriptor guard(LockGuard(directory));
    if (guard.Get() < 0) return nullptr;
    std::string lockPath = directory + "/" + LockFileName(key);
    Descriptor lock(OpenLockFile(lockPath));
    if (lock.Get() < 0) {
        posix::SetLastErrorFromErrno();
        return nullptr;
    }
    // Free exactly when nobody holds a shared lock; either way this handle holds one now.
    bool created = ::flock(lock.Get(), LOCK_EX | LOCK_NB) == 0;
    if (::flock(lock.Get(), LOCK_SH) != 0) {
        posix::SetLastErrorFromErrno();
        return nullptr;
    }
    HANDLE handle = posix::AddHandle(posix::HandleKind::Kernel, std::make_unique<Event>(lockPath, lock.Release()));
    SetLastError(created ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
    return handle;
}
