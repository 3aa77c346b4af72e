// Promises of the host layer that Windows keeps by other means, so these run on the host only:
// a named event outlives no killed process, Wine's way of disabling modules, message boxes
// without a terminal, and names that differ only in case, which Windows cannot hold.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>

#include "platform/Platform.h"
#include "tests/support/Scratch.h"

namespace {

std::string Named(const std::string& name) { return "oc-host-" + std::to_string(::getpid()) + "-" + name; }

DWORD CreateAndClose(const std::string& name) {
    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, name.c_str());
    DWORD error = GetLastError();
    CloseHandle(event);
    return error;
}

TEST(HostEvents, AKilledHolderReleasesTheName) {
    const std::string name = Named("killed");
    int ready[2];
    ASSERT_EQ(0, ::pipe(ready));
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CreateEventA(nullptr, TRUE, TRUE, name.c_str());
        char created = GetLastError() == ERROR_SUCCESS ? 'c' : 'x';
        (void)!::write(ready[1], &created, 1);
        for (;;) ::pause();  // holds the name until killed
    }
    char created = 0;
    ASSERT_EQ(1, ::read(ready[0], &created, 1));
    EXPECT_EQ('c', created);
    EXPECT_EQ(ERROR_ALREADY_EXISTS, CreateAndClose(name)) << "held by the child";
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(ERROR_SUCCESS, CreateAndClose(name)) << "released with the killed child";
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(HostEvents, AnotherProcessSeesAHeldName) {
    const std::string name = Named("held");
    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, name.c_str());
    ASSERT_NE(nullptr, event);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(CreateAndClose(name) == ERROR_ALREADY_EXISTS ? 0 : 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    CloseHandle(event);
}

// WINEDLLOVERRIDES as the end-to-end tests under Wine set it, read at each load.
class HostDisabledModules : public ::testing::Test {
protected:
    ~HostDisabledModules() override { ::unsetenv("WINEDLLOVERRIDES"); }
};

TEST_F(HostDisabledModules, OverridesDisableTheSystemModules) {
    struct Row {
        const char* overrides;
        bool d3d8;
        bool dpnhpast;
    };
    const Row rows[] = {
        {"", true, true},
        {"d3d8=d", false, true},
        {"dpnhpast=", true, false},  // an empty mode disables too
        {"d3d8,dpnhpast=d", false, false},
        {"d3d8=d;dpnhpast=d", false, false},
        {"D3D8.DLL=d", false, true},
        {"d3d8=n,b", true, true},  // other modes leave the module loadable
        {"d3d8=d;d3d8=b", true, true},  // the last entry decides
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.overrides);
        ::setenv("WINEDLLOVERRIDES", row.overrides, 1);
        for (auto [name, loads] : {std::pair{"d3d8.dll", row.d3d8}, std::pair{"dpnhpast.dll", row.dpnhpast}}) {
            SCOPED_TRACE(name);
            SetLastError(ERROR_SUCCESS);
            HMODULE module = LoadLibraryA(name);
            EXPECT_EQ(loads, module != nullptr);
            if (module) {
                FreeLibrary(module);
            } else {
                EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
            }
        }
    }
}

TEST(HostModules, BuiltInSystemModulesHaveNoCode) {
    HMODULE module = LoadLibraryA("d3d8.dll");
    ASSERT_NE(nullptr, module);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(nullptr, GetProcAddress(module, "Direct3DCreate8"));
    EXPECT_EQ(ERROR_PROC_NOT_FOUND, GetLastError());
    FreeLibrary(module);
}

TEST(HostUserInterface, MessageBoxWithoutATerminal) {
    struct Row {
        const char* text;
        const char* caption;
        UINT type;
        std::string shown;
    };
    const Row rows[] = {
        // "テスト" (test) and "情報" (information), shown in UTF-8.
        {"\x83\x65\x83\x58\x83\x67", "\x8f\xee\x95\xf1", MB_OK,
         "[\xe6\x83\x85\xe5\xa0\xb1] \xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88\n"},
        {"line 1\nline 2", "caption", MB_ABORTRETRYIGNORE, "[caption] line 1\nline 2\n"},
        {"\x81", "half", MB_OK, "[half] \x81\n"},  // not code page 932: the bytes as they are
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caption);
        ::testing::internal::CaptureStderr();
        int answer = MessageBoxA(nullptr, row.text, row.caption, row.type);
        std::string shown = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(0, answer) << "no button could be shown";
        EXPECT_EQ(row.shown, shown);
    }
}

TEST(HostUserInterface, NoWindows) {
    EXPECT_EQ(nullptr, FindWindowA("class", "title"));
    EXPECT_FALSE(SetForegroundWindow(nullptr));
    ::testing::internal::CaptureStderr();
    OutputDebugStringA("Couldn't LoadLibrary D3D8.DLL\r\n");
    EXPECT_EQ("Couldn't LoadLibrary D3D8.DLL\r\n", ::testing::internal::GetCapturedStderr());
}

TEST(HostPaths, NamesThatDifferOnlyInCase) {
    ScratchDirectory scratch;
    // Made by the host itself: through the layer, "A.TXT" would be the existing "a.txt".
    for (auto [name, text] : {std::pair{"a.txt", "lower"}, std::pair{"A.TXT", "upper"}}) {
        std::FILE* file = std::fopen(name, "wb");
        ASSERT_NE(nullptr, file);
        std::fputs(text, file);
        std::fclose(file);
    }
    // The exact name wins; otherwise the least of the matches in byte order, every time.
    EXPECT_EQ("lower", ReadFile("a.txt"));
    EXPECT_EQ("upper", ReadFile("A.TXT"));
    EXPECT_EQ("upper", ReadFile("a.Txt"));
    EXPECT_EQ("upper", ReadFile(scratch.Path() + "\\A.txt"));
}

TEST(HostPaths, TheHostRootIsDriveZ) {
    ScratchDirectory scratch;
    char current[MAX_PATH + 1];
    GetCurrentDirectoryA(sizeof current, current);
    char host[4096];
    ASSERT_NE(nullptr, ::getcwd(host, sizeof host));
    std::string expected = std::string("Z:") + host;
    for (char& c : expected)
        if (c == '/') c = '\\';
    EXPECT_EQ(expected, current);
}

}  // namespace
