#include "tests/text/TestHeap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kHeader = 16;  // keeps the alignment malloc gives
constexpr std::size_t kGuard = 16;
constexpr unsigned char kGuardByte = 0xCC;

int overruns = 0;
int grantsLeft = -1;  // -1: nothing is refused
int refused = 0;

void* Allocate(std::size_t size) {
    unsigned char* block = static_cast<unsigned char*>(std::malloc(kHeader + size + kGuard));
    if (!block) return nullptr;
    std::memcpy(block, &size, sizeof size);
    std::memset(block + kHeader + size, kGuardByte, kGuard);
    return block + kHeader;
}

void Release(void* pointer) {
    if (!pointer) return;
    unsigned char* block = static_cast<unsigned char*>(pointer) - kHeader;
    std::size_t size;
    std::memcpy(&size, block, sizeof size);
    for (std::size_t i = 0; i < kGuard; ++i) {
        if (block[kHeader + size + i] != kGuardByte) {
            ++overruns;
            break;
        }
    }
    std::free(block);
}

class OverrunCheck : public ::testing::Environment {
public:
    void TearDown() override { EXPECT_EQ(0, overruns) << "array blocks written beyond their end"; }
};

const ::testing::Environment* const overrunCheck = ::testing::AddGlobalTestEnvironment(new OverrunCheck);

}  // namespace

void* operator new[](std::size_t size) {
    if (void* block = Allocate(size)) return block;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (grantsLeft == 0) {
        ++refused;
        return nullptr;
    }
    if (grantsLeft > 0) --grantsLeft;
    return Allocate(size);
}

void operator delete[](void* pointer) noexcept { Release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { Release(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }

namespace testheap {

int OverrunBlocks() { return overruns; }

RefuseAllocations::RefuseAllocations(int granted) {
    grantsLeft = granted;
    refused = 0;
}

RefuseAllocations::~RefuseAllocations() { grantsLeft = -1; }

int RefuseAllocations::Refused() const { return refused; }

}  // namespace testheap
