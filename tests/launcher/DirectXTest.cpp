#include "launcher/DirectX.h"

#include <gtest/gtest.h>

#include "platform/Platform.h"

// Both libraries are there (Wine's built-in ones; the host layer's): the level of 8.1, and
// neither stays loaded. The missing-library levels need WINEDLLOVERRIDES at process start;
// the end-to-end tests show them.
TEST(ProbeDirectX, BothLibrariesLoadAndAreReleased) {
    ASSERT_EQ(nullptr, GetModuleHandleA("d3d8.dll"));
    EXPECT_EQ(0x801u, ProbeDirectX());
    EXPECT_EQ(nullptr, GetModuleHandleA("d3d8.dll"));
    EXPECT_EQ(nullptr, GetModuleHandleA("dpnhpast.dll"));
}
