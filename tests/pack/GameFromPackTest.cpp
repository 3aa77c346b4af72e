// game.exe itself, started under Wine in a directory whose GAME.INI lives in a pack only.
#include <gtest/gtest.h>

#include <string>

#include "tests/pack/PackFixtures.h"
#include "tests/support/Scratch.h"

namespace {

// "設定" (settings) and "デモ" (demo)
const std::string kSection = "\x90\xdd\x92\xe8";
const std::string kTitle = "\x83\x66\x83\x82 pack";

// The exit code of game.exe started in the current directory, or -1 when it did not end
// in time (a dialog nobody answers, say).
int RunGame(const std::string& directory) {
    const std::string program = directory + "\\game.exe";
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                        &startup, &process))
        return -2;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

TEST(GameFromPack, ReadsGameIniFromAPackOfEachVersion) {
    const std::string game = ReadFile(OC_GAME_PROGRAM);
    const std::string module = ReadFile(OC_TITLE_MODULE);
    ASSERT_FALSE(game.empty());
    ASSERT_FALSE(module.empty());
    for (const Variant& variant : AllVariants()) {
        SCOPED_TRACE(Describe(variant));
        ScratchDirectory scratch;
        WriteFile("game.exe", game);
        WriteFile("system.dll", module);
        const std::string settings = "[" + kSection + "]\r\nName=PackGame" + std::to_string(GetCurrentProcessId()) +
                                     "\r\nTitle=" + kTitle + "\r\n";
        WriteFile("data.pak", WritePack(variant, {{"README.TXT", "not the settings"}, {"GAME.INI", settings}}));
        EXPECT_EQ(0, RunGame(scratch.Path()));
        EXPECT_EQ(kTitle, ReadFile("run.txt"));
    }
}

}  // namespace
