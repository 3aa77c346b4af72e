// Page memory: whole committed pages that read as zeros, released a block at a time.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/Platform.h"

namespace {

const SIZE_T pageSize = 4096;

TEST(Memory, CommittedPagesAreZeroAndWritable) {
    struct Row {
        SIZE_T size;
        DWORD type;
    };
    const Row rows[] = {
        {1, MEM_COMMIT},
        {pageSize, MEM_COMMIT | MEM_RESERVE},
        {10000, MEM_COMMIT | MEM_RESERVE},  // rounded up to whole pages
        {1 << 20, MEM_COMMIT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        auto* pages = static_cast<unsigned char*>(VirtualAlloc(nullptr, row.size, row.type, PAGE_READWRITE));
        ASSERT_NE(nullptr, pages);
        const SIZE_T whole = (row.size + pageSize - 1) / pageSize * pageSize;
        SIZE_T nonzero = 0;
        for (SIZE_T i = 0; i < whole; ++i) nonzero += pages[i] != 0;
        EXPECT_EQ(0u, nonzero);
        std::memset(pages, 0xa5, whole);
        EXPECT_EQ(0xa5, pages[whole - 1]);
        EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
    }
}

// The same size again after a release, as the pack lookup asks on every lookup: whatever was
// written before, the pages read as zeros.
TEST(Memory, PagesTakenAgainAreZero) {
    const SIZE_T size = 5 * pageSize;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        auto* pages = static_cast<unsigned char*>(VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE));
        ASSERT_NE(nullptr, pages);
        SIZE_T nonzero = 0;
        for (SIZE_T i = 0; i < size; ++i) nonzero += pages[i] != 0;
        EXPECT_EQ(0u, nonzero);
        std::memset(pages, 0x5a, size);
        EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
    }
}

TEST(Memory, Refusals) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(nullptr, VirtualAlloc(nullptr, 0, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());

    auto* pages = static_cast<unsigned char*>(VirtualAlloc(nullptr, 3 * pageSize, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(nullptr, pages);
    // Only the whole block is released, from its first byte and with size 0.
    EXPECT_FALSE(VirtualFree(pages + pageSize, 0, MEM_RELEASE));
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(VirtualFree(pages, 3 * pageSize, MEM_RELEASE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    pages[3 * pageSize - 1] = 1;  // still all there
    EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(VirtualFree(pages, 0, MEM_RELEASE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

}  // namespace
