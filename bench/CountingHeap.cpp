#include "bench/CountingHeap.h"

#include <cstdlib>
#include <new>

namespace {

std::uint64_t allocations = 0;

void* Allocate(std::size_t size) {
    ++allocations;
    return std::malloc(size ? size : 1);
}

}  // namespace

std::uint64_t ArrayAllocations() { return allocations; }

void* operator new[](std::size_t size) {
    if (void* block = Allocate(size)) return block;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }

void operator delete[](void* block) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
