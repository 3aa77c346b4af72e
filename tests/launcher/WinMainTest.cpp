#include "launcher/WinMain.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/Seam.h"
#include "tests/launcher/RunRecord.h"
#include "tests/support/Hooks.h"
#include "tests/support/Scratch.h"
#include "text/OCException.h"

namespace {

// "設定" (settings)
#define SETTINGS "\x90\xdd\x92\xe8"
// "デモゲーム" (demo game)
const char kTitle[] = "\x83\x66\x83\x82\x83\x51\x81\x5b\x83\x80";
// "Cannot open file GAME.INI." / "File error"
const char kCannotOpenSettings[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8b GAME.INI \x82\xaa\x8a\x4a\x82\xaf\x82\xdc\x82\xb9\x82\xf1\x81\x42";
const char kFileError[] = "\x83\x74\x83\x40\x83\x43\x83\x8b\x83\x47\x83\x89\x81\x5b";
// "Loading the DLL failed." / "Error message"
const char kModuleFailed[] =
    "DLL\x82\xcc\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";
const char kErrorMessage[] = "\x83\x47\x83\x89\x81\x5b\x83\x81\x83\x62\x83\x5a\x81\x5b\x83\x57";

// The launcher hands its instance on without using it, so any value shows the way.
const HINSTANCE kInstance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x00ab0000));

// Unique to this process, so that test programs running side by side do not meet.
std::string GameName() { return "LauncherTest" + std::to_string(GetCurrentProcessId()); }

std::string Settings(const std::string& keyLines) { return "[" SETTINGS "]\n" + keyLines; }

bool EventExists(const std::string& name) {
    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, name.c_str());
    const bool existed = event && GetLastError() == ERROR_ALREADY_EXISTS;
    if (event) CloseHandle(event);
    return existed;
}

template <typename Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

class WinMainTest : public testing::Test {
protected:
    // The launcher never releases the game module; each test starts without one.
    void TearDown() override {
        for (int i = 0; i < 8 && GetModuleHandleA("system.dll"); ++i) FreeLibrary(GetModuleHandleA("system.dll"));
    }

    static void PlaceModule(const char* file) {
        const std::string bytes = ReadFile(std::string(OC_LAUNCHER_TEST_MODULES) + "/" + file);
        ASSERT_FALSE(bytes.empty()) << file;
        WriteFile("system.dll", bytes);
    }

    static int Start(int showCommand = SW_SHOWDEFAULT) {
        char commandLine[] = "";
        return WinMain(kInstance, nullptr, commandLine, showCommand);
    }

    // The record of the loaded game module's run, or null when no module is loaded.
    static const RunRecord* Recorded() {
        HMODULE module = GetModuleHandleA("system.dll");
        auto recorded = module ? Export<RecordedRunFunction>(module, "RecordedRun") : nullptr;
        return recorded ? recorded() : nullptr;
    }

    ScratchDirectory scratch;
};

TEST_F(WinMainTest, SettingsReachRunAndTheEventIsReleasedAfterwards) {
    PlaceModule("launcher_recording_module.dll");
    WriteFile("GAME.INI", Settings("Name=" + GameName() + "\nTitle=" + kTitle + "\n"));
    DialogAnswers dialogs({});
    EXPECT_EQ(0, Start(7));
    EXPECT_TRUE(dialogs.Shown().empty());
    const RunRecord* record = Recorded();
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(1, record->calls);
    EXPECT_EQ(kInstance, record->instance);
    EXPECT_EQ(7, record->showCommand);
    EXPECT_FALSE(record->titleIsNull);
    EXPECT_STREQ(kTitle, record->title);
    EXPECT_FALSE(EventExists(GameName()));
}

TEST_F(WinMainTest, EmptyTitleReachesRunAsNull) {
    for (const char* titleLines : {"", "Title=\t\n", "Title=\nTitle= \n"}) {
        SCOPED_TRACE(titleLines);
        PlaceModule("launcher_recording_module.dll");
        WriteFile("GAME.INI", Settings("Name=" + GameName() + "\n" + titleLines));
        EXPECT_EQ(0, Start());
        const RunRecord* record = Recorded();
        ASSERT_NE(nullptr, record);
        EXPECT_EQ(1, record->calls);
        EXPECT_TRUE(record->titleIsNull);
        TearDown();
    }
}

// While a game runs, a second start finds the name taken and ends without a game.
TEST_F(WinMainTest, RunningGameEndsTheSecondStart) {
    PlaceModule("launcher_recording_module.dll");
    for (const std::string& titleLines : {std::string("Title=") + kTitle + "\n", std::string()}) {
        SCOPED_TRACE(titleLines);
        WriteFile("GAME.INI", Settings("Name=" + GameName() + "\n" + titleLines));
        HANDLE running = CreateEventA(nullptr, TRUE, TRUE, GameName().c_str());
        ASSERT_NE(nullptr, running);
        DialogAnswers dialogs({});
        EXPECT_EQ(0, Start());
        EXPECT_TRUE(dialogs.Shown().empty());
        EXPECT_EQ(nullptr, GetModuleHandleA("system.dll"));
        // The second start closed its own handle only.
        EXPECT_TRUE(EventExists(GameName()));
        CloseHandle(running);
    }
}

// The event carries Name while run runs; a loaded module is used as it is.
const char* eventToCheck = nullptr;
int eventHeldDuringRun = -1;

void CheckEventDuringRun() { eventHeldDuringRun = EventExists(eventToCheck); }

TEST_F(WinMainTest, LoadedModuleIsUsedAndTheEventIsHeldDuringRun) {
    PlaceModule("launcher_recording_module.dll");
    const std::string name = GameName();
    WriteFile("GAME.INI", Settings("Name=" + name + "\nTitle=" + kTitle + "\n"));
    HMODULE module = LoadLibraryA("system.dll");
    ASSERT_NE(nullptr, module);
    eventToCheck = name.c_str();
    eventHeldDuringRun = -1;
    Export<CallDuringRunFunction>(module, "CallDuringRun")(CheckEventDuringRun);

    EXPECT_EQ(0, Start());
    EXPECT_EQ(1, eventHeldDuringRun);
    ASSERT_NE(nullptr, Recorded());
    EXPECT_EQ(1, Recorded()->calls);
    Export<CallDuringRunFunction>(module, "CallDuringRun")(nullptr);
    // No second load took a reference: one release unloads the module.
    FreeLibrary(module);
    EXPECT_EQ(nullptr, GetModuleHandleA("system.dll"));
}

TEST_F(WinMainTest, MissingModuleIsReported) {
    WriteFile("GAME.INI", Settings("Name=" + GameName() + "\nTitle=" + kTitle + "\n"));
    DialogAnswers dialogs({IDOK});
    EXPECT_EQ(0, Start());
    ASSERT_EQ(1u, dialogs.Shown().size());
    const ShownMessage& shown = dialogs.Shown()[0];
    EXPECT_EQ(nullptr, shown.owner);
    EXPECT_EQ(kModuleFailed, shown.text);
    EXPECT_EQ(kErrorMessage, shown.caption);
    EXPECT_EQ(0x40010u, shown.type);  // MB_TOPMOST | MB_ICONERROR
    EXPECT_FALSE(EventExists(GameName()));
}

TEST_F(WinMainTest, ModuleWithoutRunEndsQuietly) {
    PlaceModule("launcher_silent_module.dll");
    WriteFile("GAME.INI", Settings("Name=" + GameName() + "\n"));
    DialogAnswers dialogs({});
    EXPECT_EQ(0, Start());
    EXPECT_TRUE(dialogs.Shown().empty());
    EXPECT_NE(nullptr, GetModuleHandleA("system.dll"));
}

// Without GAME.INI each of the two reads asks the user.
TEST_F(WinMainTest, MissingSettingsIgnoredTwiceStillStartTheGame) {
    PlaceModule("launcher_recording_module.dll");
    DialogAnswers dialogs({IDIGNORE, IDIGNORE});
    EXPECT_EQ(0, Start());
    ASSERT_EQ(2u, dialogs.Shown().size());
    for (const ShownMessage& shown : dialogs.Shown()) {
        EXPECT_EQ(kCannotOpenSettings, shown.text);
        EXPECT_EQ(kFileError, shown.caption);
        EXPECT_EQ(MB_ABORTRETRYIGNORE | MB_TOPMOST, shown.type);
    }
    const RunRecord* record = Recorded();
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(1, record->calls);
    EXPECT_TRUE(record->titleIsNull);
}

TEST_F(WinMainTest, AbortLeavesWinMainWithTheException) {
    PlaceModule("launcher_recording_module.dll");
    DialogAnswers dialogs({IDABORT});
    EXPECT_THROW(Start(), OCErrorException);
    EXPECT_EQ(1u, dialogs.Shown().size());
    EXPECT_EQ(nullptr, GetModuleHandleA("system.dll"));
}

// Retry after the file has appeared reads it.
int settingsWritten = 0;

int WriteSettingsThenRetry(HWND, LPCSTR, LPCSTR, UINT) {
    ++settingsWritten;
    WriteFile("GAME.INI", Settings("Name=" + GameName() + "\nTitle=" + kTitle + "\n"));
    return IDRETRY;
}

TEST_F(WinMainTest, RetryAfterTheFileAppeared) {
    PlaceModule("launcher_recording_module.dll");
    settingsWritten = 0;
    seam::hooks().messageBox = WriteSettingsThenRetry;
    const int result = Start();
    seam::hooks().messageBox = nullptr;
    EXPECT_EQ(0, result);
    EXPECT_EQ(1, settingsWritten);
    const RunRecord* record = Recorded();
    ASSERT_NE(nullptr, record);
    EXPECT_STREQ(kTitle, record->title);
}

}  // namespace
