// DirectX missing, on the host only: the host layer reads WINEDLLOVERRIDES at each load,
// while Windows and Wine take it at process start, where the end-to-end tests set it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "launcher/DirectX.h"
#include "launcher/WinMain.h"
#include "tests/support/Hooks.h"
#include "tests/support/Scratch.h"

namespace {

// "DirectX8.1以降がインストールされていません。" LF "DirectXをインストール後、実行してください"
const char kDirectXMissing[] =
    "DirectX8.1\x88\xc8\x8d\x7e\x82\xaa\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b\x82\xb3\x82\xea\x82\xc4\x82"
    "\xa2\x82\xdc\x82\xb9\x82\xf1\x81\x42\n"
    "DirectX\x82\xf0\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b\x8c\xe3\x81\x41\x8e\xc0\x8d\x73\x82\xb5\x82\xc4"
    "\x82\xad\x82\xbe\x82\xb3\x82\xa2";

struct Level {
    const char* overrides;
    std::uint32_t level;
    const char* debugLine;
};

const std::vector<Level> kLevels = {
    {"d3d8=d", 0, "Couldn't LoadLibrary D3D8.DLL\r\n"},
    {"dpnhpast=d", 0x800, "Couldn't LoadLibrary dpnhpast.dll\r\n"},
    {"d3d8,dpnhpast=d", 0, "Couldn't LoadLibrary D3D8.DLL\r\n"},
    {"", 0x801, ""},
};

class HostDirectX : public ::testing::Test {
protected:
    ~HostDirectX() override { ::unsetenv("WINEDLLOVERRIDES"); }
};

// Each level with its debug line; whatever loaded is released again.
TEST_F(HostDirectX, ProbeLevels) {
    for (const Level& row : kLevels) {
        SCOPED_TRACE(row.overrides);
        ::setenv("WINEDLLOVERRIDES", row.overrides, 1);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(row.level, ProbeDirectX());
        EXPECT_EQ(row.debugLine, ::testing::internal::GetCapturedStderr());
        EXPECT_EQ(nullptr, GetModuleHandleA("d3d8.dll"));
        EXPECT_EQ(nullptr, GetModuleHandleA("dpnhpast.dll"));
    }
}

// Below 8.1 the launcher shows its message, task-modal with an OK button and no icon or
// owner, and starts no game: without a system.dll a game start would add the module message.
TEST_F(HostDirectX, BelowEightOneTheLauncherShowsItsMessageAndEnds) {
    for (const Level& row : kLevels) {
        if (row.level >= 0x801) continue;
        SCOPED_TRACE(row.overrides);
        ScratchDirectory scratch;
        WriteFile("GAME.INI", "[\x90\xdd\x92\xe8]\nName=HostDirectX" + std::to_string(GetCurrentProcessId()) + "\n");
        ::setenv("WINEDLLOVERRIDES", row.overrides, 1);
        DialogAnswers dialogs({IDOK});
        char commandLine[] = "";
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(0, WinMain(nullptr, nullptr, commandLine, SW_SHOWDEFAULT));
        ::testing::internal::GetCapturedStderr();
        ASSERT_EQ(1u, dialogs.Shown().size());
        const ShownMessage& shown = dialogs.Shown()[0];
        EXPECT_EQ(nullptr, shown.owner);
        EXPECT_EQ(kDirectXMissing, shown.text);
        EXPECT_EQ("information", shown.caption);
        EXPECT_EQ(0x2000u, shown.type);  // MB_TASKMODAL alone
    }
}

}  // namespace
