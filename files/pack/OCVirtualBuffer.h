// Scratch memory in whole pages from the system's virtual-memory allocator.
#pragma once

#include <cstdint>

class OCVirtualBuffer {
public:
    OCVirtualBuffer() = default;
    OCVirtualBuffer(const OCVirtualBuffer&) = delete;
    OCVirtualBuffer& operator=(const OCVirtualBuffer&) = delete;
    virtual ~OCVirtualBuffer();

    // Holds newSize zero bytes afterwards. A refused allocation throws the bare value
    // 0xC0000017 and leaves the buffer without pages.
    void Resize(std::uint32_t newSize);

    std::uint32_t size = 0;
    unsigned char* data = nullptr;  // the committed pages; null when none are held

private:
    void Release();
};
