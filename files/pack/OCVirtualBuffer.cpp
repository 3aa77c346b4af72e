#include "files/pack/OCVirtualBuffer.h"

#include <cstring>

#include "platform/Seam.h"

namespace {

// The system's no-memory status, thrown as it is rather than as an exception object.
const std::uint32_t kNoMemory = 0xC0000017u;

}  // namespace

OCVirtualBuffer::~OCVirtualBuffer() { Release(); }

void OCVirtualBuffer::Resize(std::uint32_t newSize) {
    if (newSize == size) {
        if (data) std::memset(data, 0, size);
        return;
    }
    Release();
    if (newSize == 0) return;
    // Fresh pages read as zeros.
    void* pages = seam::VirtualAlloc(nullptr, newSize, MEM_COMMIT, PAGE_READWRITE);
    if (!pages) throw kNoMemory;
    data = static_cast<unsigned char*>(pages);
    size = newSize;
}

void OCVirtualBuffer::Release() {
    if (data) seam::VirtualFree(data, 0, MEM_RELEASE);
    data = nullptr;
    size = 0;
}
