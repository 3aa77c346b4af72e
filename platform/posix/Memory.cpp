// Page memory through mmap: committed read-write pages, released a block at a time.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/Platform.h"
#include "platform/posix/LastError.h"

namespace {

// The size of each block given out, by its address: VirtualFree releases whole blocks.
// The block released last stays mapped as the spare and is given out again, zeroed, for the
// same size: the pack lookup takes and releases its directory's pages on every lookup, and
// zeroing pages that are there costs a fraction of first touching fresh ones, which on a
// virtual machine takes microseconds a page.
struct Blocks {
    std::mutex lock;
    std::map<void*, std::size_t> sizes;
    void* spare = nullptr;
    std::size_t spareSize = 0;
};

// Spares beyond this are unmapped, so a huge directory does not hold its memory afterwards.
const std::size_t kSpareLimit = 16 * 1024 * 1024;

Blocks& blocks() {
    static Blocks given;
    return given;
}

// The spare when it has the size, zeroed as fresh pages are; else null.
void* TakeSpare(Blocks& held, std::size_t size) {
    if (!held.spare || held.spareSize != size) return nullptr;
    void* pages = held.spare;
    held.spare = nullptr;
    std::memset(pages, 0, size);
    return pages;
}

// Keeps a released block as the spare in place of the one before; false when it is too large.
bool KeepSpare(Blocks& held, void* pages, std::size_t size) {
    if (size > kSpareLimit) return false;
    if (held.spare) ::munmap(held.spare, held.spareSize);
    held.spare = pages;
    held.spareSize = size;
    return true;
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
    std::lock_guard<std::mutex> guard(blocks().lock);
    void* pages = TakeSpare(blocks(), rounded);
    if (!pages) pages = ::mmap(nullptr, rounded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) {
        posix::SetLastErrorFromErrno();
        return nullptr;
    }
    blocks().sizes[pages] = rounded;
    return pages;
}

BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD freeType) {
    if (size != 0 || freeType != MEM_RELEASE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(blocks().lock);
    auto block = blocks().sizes.find(address);
    if (block == blocks().sizes.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::size_t rounded = block->second;
    blocks().sizes.erase(block);
    if (KeepSpare(blocks(), address, rounded)) return TRUE;
    if (::munmap(address, rounded) != 0) {
        posix::SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}
