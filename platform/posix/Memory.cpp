// Page memory through mmap: committed read-write pages, released a block at a time.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <mutex>

#include "platform/Platform.h"
#include "platform/posix/LastError.h"

namespace {

// The size of each block given out, by its address: VirtualFree releases whole blocks.
struct Blocks {
    std::mutex lock;
    std::map<void*, std::size_t> sizes;
};

Blocks& blocks() {
    static Blocks given;
    return given;
}

}  // namespace

LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protection) {
    // Only what the system asks for: new committed read-write pages anywhere.
    std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    if (address || size == 0 || size > SIZE_MAX - page || !(allocationType & MEM_COMMIT) ||
        (allocationType & ~(MEM_COMMIT | MEM_RESERVE)) || protection != PAGE_READWRITE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::size_t rounded = (size + page - 1) / page * page;
    void* pages = ::mmap(nullptr, rounded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) {
        posix::SetLastErrorFromErrno();
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(blocks().lock);
    blocks().sizes[pages] = rounded;
    return pages;
}

BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD freeType) {
    if (size != 0 || freeType != MEM_RELEASE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::size_t rounded;
    {
        std::lock_guard<std::mutex> guard(blocks().lock);
        auto block = blocks().sizes.find(address);
        if (block == blocks().sizes.end()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        rounded = block->second;
        blocks().sizes.erase(block);
    }
    if (::munmap(address, rounded) != 0) {
        posix::SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}
